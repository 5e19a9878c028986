# Turns the firmware image into a C++ data unit.
#   cmake -DINPUT=image.bin -DOUTPUT=firmware_image_data.cpp -P embed_firmware.cmake
file(SIZE "${INPUT}" size)
if(NOT size EQUAL 12288)
  message(FATAL_ERROR "${INPUT} holds ${size} bytes; a firmware image has 12288")
endif()
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT}; do not edit.
#include \"link/firmware_image.h\"

namespace quorva {

namespace {
alignas(4) constexpr std::uint8_t kImage[kFirmwareImageSize] = {
    ${bytes}
};
} // namespace

std::span<const std::uint8_t, kFirmwareImageSize> builtInFirmwareImage()
{
    return std::span<const std::uint8_t, kFirmwareImageSize>(kImage, kFirmwareImageSize);
}

} // namespace quorva
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
