#include "kvloom/metadata/XMPFailure.h"

#include "kvfoundation/data/Factories.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvfoundation/util/Format.h"
#include "kvloom/LoomErrors.h"

namespace kvloom {

void ThrowXMPFailure(const xmp::XMPError& error) {
    const char* reason =
        error.GetID() == xmp::kXMPErr_BadXML ? errors::kXMPBadXML : errors::kXMPError;
    throw kvfoundation::ncomm::NCException(
        kvfoundation::data::Literal(reason),
        kvfoundation::util::Format("XMPError <%d>: %s", error.GetID(), error.GetErrMsg()));
}

}  // namespace kvloom
