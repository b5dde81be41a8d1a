#include "util/PacketText.h"

#include "XMPError.h"

namespace xmp {
namespace {

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

std::size_t FindPacketTrailer(std::string_view packet) {
    return packet.rfind("<?xpacket end=");
}

bool HasWriteableTrailer(std::string_view packet) {
    std::size_t at = FindPacketTrailer(packet);
    if (at == std::string_view::npos) {
        return false;
    }
    std::string_view value = packet.substr(at + 14, 3);
    return value == "\"w\"" || value == "'w'";
}

std::size_t PaddingBeforeTrailer(std::string_view packet) {
    std::size_t at = FindPacketTrailer(packet);
    if (at == std::string_view::npos) {
        return 0;
    }
    std::size_t start = at;
    while (start > 0 && IsXmlSpace(packet[start - 1])) {
        --start;
    }
    return at - start;
}

std::string FitPacketToLength(std::string_view packet, std::size_t length) {
    std::size_t trailer = FindPacketTrailer(packet);
    if (trailer == std::string_view::npos) {
        throw XMPError(kXMPErr_BadXMP, "The packet has no <?xpacket end?> trailer to pad before");
    }
    std::string fitted(packet.substr(0, trailer));
    if (packet.size() <= length) {
        // New padding as the standard lays it out: lines of spaces ended by newlines.
        std::size_t grow = length - packet.size();
        for (std::size_t i = 0; i < grow; ++i) {
            fitted += (i % 100 == 99 || i + 1 == grow) ? '\n' : ' ';
        }
    } else {
        std::size_t shrink = packet.size() - length;
        if (PaddingBeforeTrailer(packet) < shrink) {
            throw XMPError(kXMPErr_BadXMP, "The new packet is " + std::to_string(packet.size()) +
                                               " bytes and does not fit the " +
                                               std::to_string(length) + " bytes of the old one");
        }
        fitted.resize(fitted.size() - shrink);
    }
    fitted += packet.substr(trailer);
    return fitted;
}

std::optional<std::string> ExtendedXMPReference(std::string_view packet) {
    static constexpr std::string_view kName = "xmpNote:HasExtendedXMP";
    for (std::size_t at = packet.find(kName); at != std::string_view::npos;
         at = packet.find(kName, at + 1)) {
        std::size_t p = at + kName.size();
        while (p < packet.size() && IsXmlSpace(packet[p])) {
            ++p;
        }
        if (p >= packet.size()) {
            break;
        }
        std::size_t valueStart;
        char close;
        if (packet[p] == '=') {  // attribute form
            ++p;
            while (p < packet.size() && IsXmlSpace(packet[p])) {
                ++p;
            }
            if (p >= packet.size() || (packet[p] != '"' && packet[p] != '\'')) {
                continue;
            }
            close = packet[p];
            valueStart = p + 1;
        } else if (packet[p] == '>') {  // element form
            close = '<';
            valueStart = p + 1;
        } else {
            continue;
        }
        std::size_t end = packet.find(close, valueStart);
        if (end == std::string_view::npos) {
            break;
        }
        std::string value(packet.substr(valueStart, end - valueStart));
        while (!value.empty() && IsXmlSpace(value.back())) {
            value.pop_back();
        }
        while (!value.empty() && IsXmlSpace(value.front())) {
            value.erase(value.begin());
        }
        return value;
    }
    return std::nullopt;
}

std::string StripPacketWrapper(std::string_view packet) {
    std::string_view body = packet;
    if (body.substr(0, 3) == "\xEF\xBB\xBF") {
        body.remove_prefix(3);
    }
    std::size_t begin = body.find("<?xpacket begin=");
    if (begin != std::string_view::npos) {
        std::size_t close = body.find("?>", begin);
        if (close != std::string_view::npos) {
            body.remove_prefix(close + 2);
        }
    }
    std::size_t trailer = FindPacketTrailer(body);
    if (trailer != std::string_view::npos) {
        body = body.substr(0, trailer);
    }
    while (!body.empty() && IsXmlSpace(body.front())) {
        body.remove_prefix(1);
    }
    while (!body.empty() && IsXmlSpace(body.back())) {
        body.remove_suffix(1);
    }
    return std::string(body);
}

}  // namespace xmp
