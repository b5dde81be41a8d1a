#pragma once

#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/data/IKVString.h"
#include "kvloom/TMLFormat.h"

namespace kvloom {

// The engine's formats by extension, built once at start-up from the registry and only read
// afterwards. Keys are lower-cased, so lookups ignore case.
class FormatDirectory {
public:
    // Wraps every registered engine format.
    FormatDirectory();

    // The format that reads or writes the XMP of files with this extension itself, or null.
    // An entry of another kind is a bad cast (KVBadCast).
    TMLFormat* LookUp(kvfoundation::data::IKVString* extension) const;
    // Every read type (code or extension) of every format.
    kvfoundation::data::IKVMap* AllFormats() const { return all_.get(); }
    // Only the read types of formats with direct XMP read or write.
    kvfoundation::data::IKVMap* DirectXMPFormats() const { return direct_.get(); }

    // The supported-format listing, at information level.
    static void LogListing();

private:
    kvfoundation::base::KVRefCountT<kvfoundation::data::IKVMutableMap> all_;
    kvfoundation::base::KVRefCountT<kvfoundation::data::IKVMutableMap> direct_;
};

}  // namespace kvloom
