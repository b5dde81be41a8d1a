// A request's "sizes" from the wire: integers and doubles inside 1..65535 become sizes, and
// everything else, doubles without an integer value included, is a bad request that names the
// element (a NaN from the wire once reached an undefined float-to-integer conversion).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvfoundation/tests/FoundationTestSupport.h"
#include "kvloom/ThumbnailSizes.h"

namespace {

namespace data = kvfoundation::data;

data::IKVList* ListOf(data::IKVNumber* number) {
    data::IKVMutableList* list = data::CreateMutableList(2);
    list->AddObject(data::CreateInt32(64));
    list->AddObject(number);
    return list;
}

// The error text for element 1, or "" when it was taken as a size.
std::string RefusalOf(data::IKVNumber* number) {
    try {
        kvloom::ThumbnailSizes(ListOf(number));
    } catch (const kvfoundation::ncomm::NCException& error) {
        EXPECT_EQ(kvtest::Text(error.Reason()), "kLoomIO_BadRequest");
        return kvtest::Text(error.Message());
    }
    return "";
}

TEST(ThumbnailSizesTest, DoublesWithoutASizeAreBadRequestsNamingTheElement) {
    kvfoundation::base::AutoReleasePool pool;
    const double inf = std::numeric_limits<double>::infinity();
    for (const double value : {std::nan(""), inf, -inf, 1e300, -1e300, 0.5, 65536.0}) {
        const std::string why = RefusalOf(data::CreateDouble(value));
        EXPECT_EQ(why.rfind("sizes[1] is ", 0), 0u) << value << ": " << why;
        EXPECT_NE(why.find("a size must be 1..65535"), std::string::npos) << why;
    }
    EXPECT_EQ(RefusalOf(data::CreateInt64(int64_t{1} << 40)).rfind("sizes[1] is 1099511627776", 0),
              0u);
}

TEST(ThumbnailSizesTest, DoublesInsideTheRangeTruncateToTheirSize) {
    kvfoundation::base::AutoReleasePool pool;
    EXPECT_EQ(kvloom::ThumbnailSizes(ListOf(data::CreateDouble(1.0))),
              (std::vector<int32_t>{64, 1}));
    EXPECT_EQ(kvloom::ThumbnailSizes(ListOf(data::CreateDouble(65535.9))),
              (std::vector<int32_t>{64, 65535}));
}

}  // namespace
