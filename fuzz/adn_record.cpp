// EF_ADN records come from the card: any bytes of any length 0 to 255. What decodes must
// encode back into a record of the same length without writing past it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "records/AdnRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > records::kMaxAdnRecordLength) {
        size = records::kMaxAdnRecordLength;
    }
    const std::vector<std::uint8_t> record(data, data + size);
    const auto entry = records::DecodeAdnRecord(record.data(), record.size());
    if (entry) {
        std::vector<std::uint8_t> again(size + 1, 0x00);
        again[size] = 0xA5;
        records::EncodeAdnRecord(*entry, again.data(), size);
        if (again[size] != 0xA5) {
            __builtin_trap();
        }
    }
    return 0;
}
