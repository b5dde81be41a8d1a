#pragma once
// The one error type of the XMP layer: a numeric id and a text, as the service reports them
// ("XMPError <%d>: %s"). Id 201 means the XML is not well-formed, and only that.
#include <stdexcept>
#include <string>

namespace xmp {

enum XMPErrorId : int {
    kXMPErr_Unknown = 0,
    kXMPErr_BadParam = 4,
    kXMPErr_BadValue = 5,
    kXMPErr_InternalFailure = 9,
    kXMPErr_BadSchema = 101,
    kXMPErr_BadXPath = 102,
    kXMPErr_BadOptions = 103,
    kXMPErr_BadIndex = 104,
    kXMPErr_BadSerialize = 107,
    kXMPErr_BadXML = 201,
    kXMPErr_BadRDF = 202,
    kXMPErr_BadXMP = 203,
    kXMPErr_BadFileFormat = 204,
    kXMPErr_NoFileHandler = 205,
    kXMPErr_TooLargeForJPEG = 206,
    kXMPErr_FilePermission = 207,
    kXMPErr_FileIO = 208,
};

class XMPError : public std::runtime_error {
public:
    XMPError(int id, const std::string& text) : std::runtime_error(text), id_(id) {}
    int GetID() const noexcept { return id_; }
    const char* GetErrMsg() const noexcept { return what(); }

private:
    int id_;
};

}  // namespace xmp
