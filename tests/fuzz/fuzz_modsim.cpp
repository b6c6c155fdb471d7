// The simulated module's command parser on arbitrary chunks.
//
// Input: byte 0 picks the faults (bits below), then [length byte, that many bytes]
// chunks, each handed to Modem::feed.

#include "tools/modsim/modem.h"

#include <cstdint>
#include <cstdlib>

namespace {

enum Flags : uint8_t {
    Echo = 0x01,
    ProgressLines = 0x02,
    SilentWriteb = 0x04,
    SilentFwwrite = 0x08,
    SilentAt = 0x10,
    FailFirstBlocks = 0x20,
    FailThirdBlock = 0x40,
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t flags = data[0];
    modsim::Faults faults;
    faults.echo = flags & Echo;
    faults.progressLines = flags & ProgressLines;
    if (flags & SilentWriteb)
        faults.silent.insert("WRITEB");
    if (flags & SilentFwwrite)
        faults.silent.insert("FWWRITE");
    if (flags & SilentAt)
        faults.silent.insert("AT");
    if (flags & FailFirstBlocks)
        faults.failBlocks = {1, 2};
    if (flags & FailThirdBlock)
        faults.failBlocks.insert(3);

    modsim::Modem modem(faults);
    size_t pos = 1;
    while (pos < size) {
        size_t length = data[pos++];
        if (length > size - pos)
            length = size - pos;
        const QList<modsim::Event> events =
            modem.feed(QByteArray(reinterpret_cast<const char*>(data + pos), qsizetype(length)));
        pos += length;
        for (const modsim::Event& event : events) {
            if (event.command.toUpper() != event.command)
                std::abort();
        }
        if (modem.pendingPayload() < 0 || modem.pendingPayload() > modsim::Modem::maxBlock)
            std::abort();
        if (modem.image().size() > modsim::Modem::maxImage)
            std::abort();
    }
    return 0;
}
