#include "kvfoundation/base/ClassName.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/impl/KVLiteral.h"

namespace kvfoundation::base {

data::IKVString* TypeName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    std::string name = "class ";
    name += (status == 0 && demangled) ? demangled.get() : type.name();
    return impl::KVLiteral::Intern(name.c_str());
}

data::IKVString* ClassName(const IKVType* object) {
    if (object == nullptr) {
        return impl::KVLiteral::Intern("(null)");
    }
    return TypeName(typeid(*object));
}

}  // namespace kvfoundation::base
