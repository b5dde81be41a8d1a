// The parameter conventions every handler shares: missing → kLoomIO_BadRequest
// "missing parameter: <key>", wrong type → KVBadCast, defaults, and the extension rule.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVBadCast.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvloom/RequestParams.h"

namespace {

namespace data = kvfoundation::data;
using kvfoundation::base::KVBadCast;
using kvfoundation::ncomm::NCException;
using kvloom::RequestParams;

std::string Str(const data::IKVString* s) {
    return s == nullptr ? "(null)" : s->CString();
}

class RequestParamsTest : public testing::Test {
protected:
    RequestParamsTest() : params_(data::CreateMutableMap(0)) {
        Set("filePath", data::Literal("/photos/holiday.v2/IMG_0001.JPG"));
        Set("quality", data::CreateDouble(9.75));
        Set("basicXMP", data::CreateBool(true));
        Set("xmp", data::CreateData("<x/>", 4));
        Set("sizes", data::CreateList(0, nullptr));
        Set("number", data::CreateInt32(3));
    }
    void Set(const char* key, kvfoundation::base::IKVType* value) {
        params_->SetObjectForKey(data::Literal(key), value);
    }
    RequestParams Params() const { return RequestParams(params_); }

    // The error a call raises, as "reason: message" or "bad cast: message".
    template <typename Call>
    std::string ErrorOf(Call call) {
        try {
            call();
        } catch (const NCException& e) {
            return Str(e.Reason()) + ": " + Str(e.Message());
        } catch (const KVBadCast& e) {
            return "bad cast: " + Str(e.Message());
        }
        return "no error";
    }

    kvfoundation::base::AutoReleasePool pool_;
    data::IKVMutableMap* params_;
};

TEST_F(RequestParamsTest, RequiredValuesOfTheRightType) {
    EXPECT_EQ(Str(Params().RequiredString("filePath")), "/photos/holiday.v2/IMG_0001.JPG");
    EXPECT_EQ(Params().RequiredData("xmp")->Length(), 4);
    EXPECT_EQ(Params().RequiredList("sizes")->Count(), 0);
}

TEST_F(RequestParamsTest, MissingRequiredParametersNameTheKey) {
    RequestParams params = Params();
    EXPECT_EQ(ErrorOf([&] { params.RequiredString("ext"); }),
              "kLoomIO_BadRequest: missing parameter: ext");
    EXPECT_EQ(ErrorOf([&] { params.RequiredData("oldLinks"); }),
              "kLoomIO_BadRequest: missing parameter: oldLinks");
    // An empty "sizes" list counts as no "sizes".
    EXPECT_EQ(ErrorOf([&] { params.RequiredNonEmptyList("sizes"); }),
              "kLoomIO_BadRequest: missing parameter: sizes");
    // No map at all: everything is absent, defaults still apply.
    RequestParams none(nullptr);
    EXPECT_EQ(ErrorOf([&] { none.RequiredList("sizes"); }),
              "kLoomIO_BadRequest: missing parameter: sizes");
    EXPECT_EQ(none.OptionalNumber("quality", 7), 7);
    EXPECT_EQ(Str(none.Extension(data::Literal("a.tif"))), "tif");
}

TEST_F(RequestParamsTest, WrongTypesAreBadCastsForRequiredAndOptionalAlike) {
    RequestParams params = Params();
    for (auto call : std::initializer_list<std::function<void()>>{
             [&] { params.RequiredString("number"); }, [&] { params.RequiredList("filePath"); },
             [&] { params.RequiredData("filePath"); },
             [&] { params.RequiredNonEmptyList("number"); },
             [&] { params.OptionalString("number", nullptr); },
             [&] { params.OptionalBool("number", false); },
             [&] { params.OptionalNumber("basicXMP", 7); },
             [&] { params.OptionalList("xmp", nullptr); }}) {
        const std::string error = ErrorOf(call);
        EXPECT_EQ(error.rfind("bad cast: Cannot cast <", 0), 0u) << error;
        EXPECT_NE(error.find("> to <"), std::string::npos) << error;
    }
}

TEST_F(RequestParamsTest, OptionalValuesAndDefaults) {
    RequestParams params = Params();
    EXPECT_EQ(params.OptionalNumber("quality", 7), 9);  // the integer value of a double
    EXPECT_EQ(params.OptionalNumber("number", 7), 3);
    EXPECT_EQ(params.OptionalNumber("absent", 7), 7);
    EXPECT_TRUE(params.OptionalBool("basicXMP", false));
    EXPECT_FALSE(params.OptionalBool("absent", false));
    EXPECT_EQ(Str(params.OptionalString("mimetype", data::Literal(""))), "");
    data::IKVList* fallback = data::CreateList(0, nullptr);
    EXPECT_EQ(params.OptionalList("absent", fallback), fallback);
}

TEST_F(RequestParamsTest, ExtensionComesFromExtOrTheFileName) {
    RequestParams params = Params();
    // The last dot of the file name; a dot in a directory name does not count.
    EXPECT_EQ(Str(params.Extension(params.RequiredString("filePath"))), "JPG");
    EXPECT_EQ(Str(params.Extension(data::Literal("/photos/holiday.v2/README"))), "");
    EXPECT_EQ(Str(params.Extension(data::Literal("archive.tar.gz"))), "gz");
    EXPECT_EQ(Str(params.Extension(data::Literal("trailing."))), "");
    EXPECT_EQ(Str(params.Extension(data::Literal(""))), "");
    // "ext" wins, even when empty; of another type it is a bad cast.
    Set("ext", data::Literal(""));
    EXPECT_EQ(Str(Params().Extension(data::Literal("a.jpg"))), "");
    Set("ext", data::CreateInt32(1));
    EXPECT_NE(ErrorOf([&] { Params().Extension(data::Literal("a.jpg")); }).find("bad cast"),
              std::string::npos);
}

}  // namespace
