#include "kvfoundation/io/KVEndOfFile.h"

#include "kvfoundation/impl/KVLiteral.h"

namespace kvfoundation::io {

KVEndOfFile::KVEndOfFile() : KVException(impl::KVLiteral::Intern("<End Of File>")) {}

}  // namespace kvfoundation::io
