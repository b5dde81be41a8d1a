// What the tests of the thumbnail and metadata requests share: files made at test time with
// ImageMagick and exiftool, exiftool as the independent reader of what the service wrote,
// djpeg as the independent decoder of every JPEG it returned, and small accessors of replies.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVData.h"
#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/data/IKVMap.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/data/IKVNumber.h"
#include "kvfoundation/data/IKVString.h"

namespace reqtest {

namespace data = kvfoundation::data;

// Quotes a word for the shell.
inline std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// Runs a shell command; its standard output, or nothing when it did not exit with 0.
inline std::optional<std::string> Shell(const std::string& command) {
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return out;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The test scene: sky-blue upper part, green lower part, a red block in the top-left corner,
// so that the corner colours of a thumbnail tell its orientation. Written with ImageMagick in
// whatever format the name's extension asks for.
inline void MakeScene(const std::string& path, int width, int height) {
    const std::string command =
        "convert -size " + std::to_string(width) + "x" + std::to_string(height) +
        " xc:'#2e8b57' -fill '#87ceeb' -draw 'rectangle 0,0 " + std::to_string(width) + "," +
        std::to_string(height * 2 / 5) + "' -fill '#d62828' -draw 'rectangle 0,0 " +
        std::to_string(width / 4) + "," + std::to_string(height / 4) + "' " + Quoted(path);
    ASSERT_TRUE(Shell(command)) << command;
}

// Runs exiftool with `arguments` on `path` (writing in place); fails the test when it fails.
inline void Exiftool(const std::string& arguments, const std::string& path) {
    const std::string command =
        "exiftool -q -q -overwrite_original " + arguments + " " + Quoted(path);
    ASSERT_TRUE(Shell(command)) << command;
}

// One tag's value as exiftool reads it ("" when absent).
inline std::string ExiftoolRead(const std::string& tag, const std::string& path) {
    std::string value = Shell("exiftool -s3 -n -" + tag + " " + Quoted(path)).value_or("");
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) {
        value.pop_back();
    }
    return value;
}

// A JPEG decoded by libjpeg-turbo's djpeg into RGB; width 0 when djpeg refused it.
struct DecodedJPEG {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    // The pixel at (x, y) as "r,g,b" rounded to the nearest 32 (JPEG blurs colours).
    std::vector<int> At(int x, int y) const {
        const size_t at = (size_t(y) * size_t(width) + size_t(x)) * 3;
        return {rgb[at], rgb[at + 1], rgb[at + 2]};
    }
    // Whether the pixel near (x, y) is clearly red (the scene's corner block).
    bool RedAt(int x, int y) const {
        const std::vector<int> p = At(x, y);
        return p[0] > 150 && p[1] < 110 && p[2] < 110;
    }
};

inline DecodedJPEG Djpeg(const std::string& jpeg, const std::string& scratchPath) {
    WriteBytes(scratchPath, jpeg);
    const std::optional<std::string> ppm = Shell("djpeg -rgb -pnm " + Quoted(scratchPath));
    DecodedJPEG image;
    if (!ppm) {
        return image;
    }
    std::istringstream header(*ppm);
    std::string magic;
    int maxValue = 0;
    header >> magic >> image.width >> image.height >> maxValue;
    header.get();
    if (magic != "P6") {  // a grey JPEG comes out as P5
        image.width = 0;
        return image;
    }
    const size_t count = size_t(image.width) * size_t(image.height) * 3;
    image.rgb.resize(count);
    header.read(reinterpret_cast<char*>(image.rgb.data()), std::streamsize(count));
    return image;
}

// Reply accessors: null / 0 / "" when the key is absent or of another type.
inline data::IKVData* DataOf(data::IKVMap* map, const char* key) {
    return map == nullptr ? nullptr
                          : dynamic_cast<data::IKVData*>(map->ObjectForKey(data::Literal(key)));
}
inline std::string BytesOf(data::IKVMap* map, const char* key) {
    data::IKVData* d = DataOf(map, key);
    return d == nullptr
               ? ""
               : std::string(reinterpret_cast<const char*>(d->Bytes()), size_t(d->Length()));
}
inline std::string TextOf(data::IKVMap* map, const char* key) {
    auto* s = map == nullptr
                  ? nullptr
                  : dynamic_cast<data::IKVString*>(map->ObjectForKey(data::Literal(key)));
    return s == nullptr ? "" : s->CString();
}
inline int64_t NumberOf(data::IKVMap* map, const char* key, int64_t absent = -1) {
    auto* n = map == nullptr
                  ? nullptr
                  : dynamic_cast<data::IKVNumber*>(map->ObjectForKey(data::Literal(key)));
    return n == nullptr ? absent : n->Int64Value();
}
inline data::IKVList* ListOf(data::IKVMap* map, const char* key) {
    return map == nullptr ? nullptr
                          : dynamic_cast<data::IKVList*>(map->ObjectForKey(data::Literal(key)));
}
inline data::IKVMap* MapAt(data::IKVList* list, int32_t index) {
    return list == nullptr || index >= list->Count()
               ? nullptr
               : dynamic_cast<data::IKVMap*>(list->ObjectAt(index));
}

// The value of `path` in a packet reply's "propeties", or nothing when it is not listed.
inline std::optional<std::string> PropertyOf(data::IKVMap* reply, const std::string& path) {
    auto* properties = dynamic_cast<data::IKVMap*>(reply->ObjectForKey(data::Literal("propeties")));
    if (properties == nullptr) {
        return std::nullopt;
    }
    data::IKVList* paths = ListOf(properties, "XPath");
    data::IKVList* values = ListOf(properties, "value");
    for (int32_t i = 0; paths != nullptr && i < paths->Count(); ++i) {
        auto* p = dynamic_cast<data::IKVData*>(paths->ObjectAt(i));
        if (p != nullptr &&
            std::string(reinterpret_cast<const char*>(p->Bytes()), size_t(p->Length())) == path) {
            auto* v = dynamic_cast<data::IKVData*>(values->ObjectAt(i));
            return std::string(reinterpret_cast<const char*>(v->Bytes()), size_t(v->Length()));
        }
    }
    return std::nullopt;
}

// A parameter map built fluently: Params().Str("filePath", p).Sizes({256}).Map().
class Params {
public:
    Params() : map_(data::CreateMutableMap(0)) {}
    Params& Str(const char* key, const std::string& value) {
        map_->SetObjectForKey(data::Literal(key),
                              data::CreateStringFromUTF8(value.data(), int32_t(value.size())));
        return *this;
    }
    Params& Bytes(const char* key, const std::string& value) {
        map_->SetObjectForKey(data::Literal(key),
                              data::CreateData(value.data(), int32_t(value.size())));
        return *this;
    }
    Params& Int(const char* key, int64_t value) {
        map_->SetObjectForKey(data::Literal(key), data::CreateInt64(value));
        return *this;
    }
    Params& Bool(const char* key, bool value) {
        map_->SetObjectForKey(data::Literal(key), data::CreateBool(value));
        return *this;
    }
    Params& Sizes(const std::vector<int64_t>& sizes) {
        data::IKVMutableList* list = data::CreateMutableList(0);
        for (int64_t s : sizes) {
            list->AddObject(data::CreateInt64(s));
        }
        map_->SetObjectForKey(data::Literal("sizes"), list);
        return *this;
    }
    data::IKVMap* Map() const { return map_; }

private:
    data::IKVMutableMap* map_;  // autoreleased into the test's pool
};

// An XMP packet with the given properties inside one rdf:Description (namespaces dc, xmp,
// xmpGImg and tiff declared).
inline std::string Packet(const std::string& body) {
    return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
           "rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
           "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
           "xmlns:xmpGImg=\"http://ns.adobe.com/xap/1.0/g/img/\" "
           "xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\">" +
           body + "</rdf:Description></rdf:RDF></x:xmpmeta>";
}

// One xmp:Thumbnails item (or PageInfo item) struct, for Packet().
inline std::string ThumbnailItem(const std::string& format, int width, int height,
                                 const std::string& base64) {
    return "<rdf:li rdf:parseType=\"Resource\"><xmpGImg:format>" + format +
           "</xmpGImg:format><xmpGImg:width>" + std::to_string(width) +
           "</xmpGImg:width><xmpGImg:height>" + std::to_string(height) +
           "</xmpGImg:height><xmpGImg:image>" + base64 + "</xmpGImg:image></rdf:li>";
}
inline std::string ThumbnailsArray(const std::string& items) {
    return "<xmp:Thumbnails><rdf:Alt>" + items + "</rdf:Alt></xmp:Thumbnails>";
}

inline std::string Base64Of(const std::string& path) {
    std::string text = Shell("base64 -w 0 " + Quoted(path)).value_or("");
    return text;
}

}  // namespace reqtest
