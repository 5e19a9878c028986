#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalogue/device_info.h"

namespace quorva {

// The entry of a device index, or nullptr when the index is outside the table.
const DeviceInfo* deviceAt(int index);

// Device index identified by three signature bytes, -1 when none. Only first
// bytes 0x1E and 0x1F can match; entries are tried in table order, each by
// `signature` and then `altSignature`. Values outside 0..255 never match.
int findBySignature(int b0, int b1, int b2);
int findBySignature(const SignatureBytes& bytes);

// First device index carrying `deviceNo` n; 0 when no entry has it.
int findByDeviceNo(int deviceNo);

// Device index whose name, or one of the variants a slash joins into it
// ("ATmega8A" for "ATmega8/8A"), equals `name` ignoring case; -1 when none.
int findByName(std::string_view name);

// The single names an entry stands for: "ATtiny13/13A" gives "ATtiny13" and
// "ATtiny13A"; a name without a slash gives itself.
std::vector<std::string> variantNames(std::string_view name);

// Group selector caption of a family ("AT25..."), "" outside 0..8.
const char* familyCaption(int family);

// Device indexes of a family, in table order (empty outside 0..8).
std::vector<int> devicesOfFamily(int family);

// Device index of the n-th member (from 0) of a family; -1 when none.
int deviceIndexAt(int family, int position);

// Family and position within the family of a device index; both -1 when
// the index is outside the table.
struct FamilyPosition {
    int family = -1;
    int position = -1;
};
FamilyPosition familyPositionOf(int index);

// Flash page size in bytes: the AVR groups count words, the serial
// memories count bytes, and parts without paged writes give 0.
int pageSizeBytes(const DeviceInfo& device);

} // namespace quorva
