#pragma once

#include <cstdint>

#include "kvfoundation/data/IKVData.h"
#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/data/IKVMap.h"
#include "kvfoundation/data/IKVString.h"

namespace kvloom {

// Reads a request's parameters with the conventions every handler shares:
// - a required parameter that is absent fails with kLoomIO_BadRequest "missing parameter: %@";
// - a parameter of the wrong type fails with KVBadCast "Cannot cast <%@> to <%@>";
// - an optional one that is absent gives its default.
// Values returned are borrowed from the parameter map (which may be null: then everything
// is absent).
class RequestParams {
public:
    explicit RequestParams(const kvfoundation::data::IKVMap* params) : params_(params) {}

    kvfoundation::data::IKVString* RequiredString(const char* key) const;
    kvfoundation::data::IKVList* RequiredList(const char* key) const;
    kvfoundation::data::IKVData* RequiredData(const char* key) const;
    // A list with at least one element: an empty list counts as missing.
    kvfoundation::data::IKVList* RequiredNonEmptyList(const char* key) const;

    kvfoundation::data::IKVString* OptionalString(const char* key,
                                                  kvfoundation::data::IKVString* fallback) const;
    bool OptionalBool(const char* key, bool fallback) const;
    // The integer value of a number.
    int32_t OptionalNumber(const char* key, int32_t fallback) const;
    kvfoundation::data::IKVList* OptionalList(const char* key,
                                              kvfoundation::data::IKVList* fallback) const;

    // "ext" when present; else the text after the last dot of the file name in `path`
    // (nothing when the name has no dot).
    kvfoundation::data::IKVString* Extension(kvfoundation::data::IKVString* path) const;

private:
    kvfoundation::base::IKVType* Lookup(const char* key) const;
    kvfoundation::base::IKVType* Required(const char* key) const;

    const kvfoundation::data::IKVMap* params_;
};

}  // namespace kvloom
