#pragma once

// Table-driven CRCs without final XOR, so a result can be fed back as the
// running value of the next piece.
namespace crc {

namespace modbus {
unsigned short initValue();
unsigned short calc(const unsigned char* data, int length);
unsigned short calc(const unsigned char* data, int length, unsigned short value);
} // namespace modbus

namespace ieee {
unsigned int initValue();
unsigned int calc(const unsigned char* data, int length);
unsigned int calc(const unsigned char* data, int length, unsigned int value);
} // namespace ieee

namespace dallas {
unsigned char initValue();
unsigned char calc(const unsigned char* data, int length);
// Only the low 8 bits of value count.
unsigned char calc(const unsigned char* data, int length, unsigned int value);
} // namespace dallas

} // namespace crc
