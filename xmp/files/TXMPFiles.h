#pragma once
// The file toolkit: open a file by path, format code and options, read its XMP packet, stage
// a new one and write it back safely on close. Works on raw packet bytes; the data-model
// overloads sit on top of these.
//
// Usage: TXMPFiles f; if (f.OpenFile(path, code, kXMPFiles_OpenForUpdate)) { f.GetXMP(&p, &i);
// f.PutXMP(newPacket); f.CloseFile(kXMPFiles_UpdateSafely); }
#include <memory>
#include <string>

#include "XMPError.h"
#include "XMPFilesTypes.h"

namespace xmp {

class TXMPFiles {
public:
    // Always succeed: the handlers need no global state, and every call works without them.
    static bool Initialize();
    static void Terminate();

    TXMPFiles();
    // Closes what is open; a packet staged but not written by CloseFile is discarded.
    ~TXMPFiles();
    TXMPFiles(const TXMPFiles&) = delete;
    TXMPFiles& operator=(const TXMPFiles&) = delete;

    // True when a handler took the file. False for 'MOV ', for a path that is not a regular
    // readable file, and (for update) never silently: a file that cannot be written is an
    // XMPError. A container that a handler recognises but cannot walk is an XMPError.
    bool OpenFile(const std::string& filePath, XMP_FileFormat format = kXMP_UnknownFile,
                  XMP_OptionBits openFlags = kXMPFiles_OpenForRead);

    // Writes a staged packet (always beside the file, then renamed over it) and closes.
    void CloseFile(XMP_OptionBits closeFlags = 0);

    // False when no file is open. `format` is the format of the handler that took the file
    // (kXMP_UnknownFile for the packet scanner).
    bool GetFileInfo(std::string* filePath = nullptr, XMP_OptionBits* openFlags = nullptr,
                     XMP_FileFormat* format = nullptr,
                     XMP_OptionBits* handlerFlags = nullptr) const;

    // True when the file has a packet; `packet` receives its bytes as stored.
    bool GetXMP(std::string* packet = nullptr, XMPPacketInfo* info = nullptr) const;
    // JPEG only: the extended part named by the main packet (complete, MD5 checked); the main
    // packet's properties and these together form the file's XMP.
    bool GetExtendedXMP(std::string* extended) const;

    // Stages `packet` for CloseFile. The handler decides whether it can be stored: smart
    // handlers rewrite the container for any length; the packet scanner only overwrites a
    // writeable packet of the same length (padding adjusted). Throws XMPError otherwise.
    void PutXMP(const std::string& packet);
    // Whether PutXMP would accept `packet`.
    bool CanPutXMP(const std::string& packet) const;

private:
    struct OpenState;
    std::unique_ptr<OpenState> open_;
};

}  // namespace xmp
