#include "kvfoundation/base/ClassName.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/MapT.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::data::map_ops {

IKVString* Describe(const IKVMap* map, const impl::HashMap& table) {
    IKVMutableString* text = CreateMutableString(0);
    util::AppendFormat(text, "<%@ %#p> { count = %u, pairs = (\n", base::ClassName(map), map,
                       static_cast<unsigned>(table.Count()));
    int32_t bucket = 0;
    for (const auto* node = table.FirstFrom(0, &bucket); node != nullptr;) {
        util::AppendFormat(text, "\t%@ = %@\n", node->key, node->value);
        node = node->next != nullptr ? node->next : table.FirstFrom(bucket + 1, &bucket);
    }
    text->AppendASCII(") }", 3);
    return text;
}

IKVEntryIterator* EntryIterator(const IKVMap* map, const impl::HashMap& table) {
    return base::AutoReleased<IKVEntryIterator>(impl::HashMap::EntryIter::Create(map, &table));
}

}  // namespace kvfoundation::data::map_ops
