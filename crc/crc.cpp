#include "crc/crc.h"

#include <array>
#include <cstdint>

namespace crc {

namespace {
// Entry i is i run through eight steps of the reflected polynomial.
template <typename T> constexpr std::array<T, 256> makeTable(T poly) {
    std::array<T, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        T value = T(i);
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1) ? T((value >> 1) ^ poly) : T(value >> 1);
        table[i] = value;
    }
    return table;
}

// One table look-up per byte for the 16- and 32-bit reflected families.
template <typename T, std::size_t N>
T update(const std::array<T, N>& table, const unsigned char* data, int length, T value) {
    for (int i = 0; i < length; ++i)
        value = T(value >> 8) ^ table[(value ^ data[i]) & 0xFF];
    return value;
}
} // namespace

namespace modbus {
constexpr auto _table = makeTable<std::uint16_t>(0xA001);
static_assert(_table[1] == 0xC0C1);

unsigned short initValue() {
    return 0xFFFF;
}

unsigned short calc(const unsigned char* data, int length) {
    return calc(data, length, initValue());
}

unsigned short calc(const unsigned char* data, int length, unsigned short value) {
    return update<std::uint16_t>(_table, data, length, value);
}
} // namespace modbus

namespace ieee {
constexpr auto _table = makeTable<std::uint32_t>(0xEDB88320u);
static_assert(_table[1] == 0x77073096u);

unsigned int initValue() {
    return 0xFFFFFFFFu;
}

unsigned int calc(const unsigned char* data, int length) {
    return calc(data, length, initValue());
}

unsigned int calc(const unsigned char* data, int length, unsigned int value) {
    return update<std::uint32_t>(_table, data, length, value);
}
} // namespace ieee

namespace dallas {
constexpr auto _table = makeTable<std::uint8_t>(0x8C);
static_assert(_table[1] == 0x5E);

unsigned char initValue() {
    return 0;
}

unsigned char calc(const unsigned char* data, int length) {
    return calc(data, length, initValue());
}

unsigned char calc(const unsigned char* data, int length, unsigned int value) {
    unsigned char crc = static_cast<unsigned char>(value & 0xFF);
    for (int i = 0; i < length; ++i)
        crc = _table[crc ^ data[i]];
    return crc;
}
} // namespace dallas

} // namespace crc
