// The sensor's register tables written at every open: two table memories of controller data
// and the control registers.
#pragma once

#include <cstdint>
#include <span>

namespace rezive::device {

struct RegisterPair {
    uint16_t address;
    uint16_t value;
};

// 1536 pairs for 0x8000..0x87FE (addresses 4k, 4k+1, 4k+2), 367 non-zero values.
std::span<const RegisterPair> TableMemoryA();
// 1536 pairs for 0x8800..0x8FFE in the same pattern, 45 non-zero values.
std::span<const RegisterPair> TableMemoryB();
// The 136 control registers, in write order.
std::span<const RegisterPair> ControlRegisters();

}  // namespace rezive::device
