#include "kvfoundation/base/KVBadCast.h"

#include "kvfoundation/base/ClassName.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::base {

KVBadCast::KVBadCast(const IKVType* object, const std::type_info& wanted)
    : KVException(util::Format("Cannot cast <%@> to <%@>", ClassName(object), TypeName(wanted))) {}

}  // namespace kvfoundation::base
