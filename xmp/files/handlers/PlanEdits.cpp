#include "handlers/PlanEdits.h"

#include <algorithm>

#include "XMPError.h"

namespace xmp {

OutputPlan PlanWithEdits(std::uint64_t originalSize, std::vector<ContainerEdit> edits) {
    // At one offset, pure insertions come before removals so both can apply.
    std::stable_sort(
        edits.begin(), edits.end(), [](const ContainerEdit& a, const ContainerEdit& b) {
            return a.offset != b.offset ? a.offset < b.offset : a.dropLength < b.dropLength;
        });
    OutputPlan plan;
    std::uint64_t at = 0;
    for (ContainerEdit& edit : edits) {
        if (edit.offset < at || edit.offset > originalSize ||
            edit.dropLength > originalSize - edit.offset) {
            throw XMPError(kXMPErr_InternalFailure, "Overlapping container edits");
        }
        plan.Copy(at, edit.offset - at);
        plan.Insert(std::move(edit.insert));
        at = edit.offset + edit.dropLength;
    }
    plan.Copy(at, originalSize - at);
    return plan;
}

std::string BE16(std::uint32_t v) {
    return {static_cast<char>(v >> 8), static_cast<char>(v)};
}
std::string BE32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}
std::string BE64(std::uint64_t v) {
    return BE32(static_cast<std::uint32_t>(v >> 32)) + BE32(static_cast<std::uint32_t>(v));
}
std::string LE32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}
std::string LE16(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8)};
}

}  // namespace xmp
