#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::data {
class IKVData;
}

namespace vantory::client {

// Raised for JSON text that cannot be read; the message names the byte offset.
class JsonError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// JSON text → the service's values, for requests typed on a command line. Objects become
// maps, arrays lists, integers that fit in 64 bits integers, other numbers doubles, null the
// null value. Two object forms stand for byte data, which JSON lacks:
//   {"$data": "<base64>"}   the decoded bytes
//   {"$file": "<path>"}     the bytes of that file
// The result is autoreleased into the caller's pool. Nesting is limited to 256 levels.
kvfoundation::base::IKVType* ParseJson(std::string_view text);

// How a data value is shown in JSON output: returns the JSON text that stands for it.
using DataRenderer = std::function<std::string(const kvfoundation::data::IKVData& data)>;

// The default renderer: {"$data": "<N bytes>"}.
std::string SummariseData(const kvfoundation::data::IKVData& data);

// Values → JSON text, indented by `indent` spaces per level (0: on one line). Map keys that
// are not strings are written as their descriptions.
std::string ToJson(const kvfoundation::base::IKVType* value, const DataRenderer& renderData,
                   int indent = 2);

// A JSON string literal (quotes and escapes) of UTF-8 text.
std::string QuoteJson(std::string_view utf8);

}  // namespace vantory::client
