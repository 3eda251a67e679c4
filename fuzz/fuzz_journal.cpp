// libFuzzer target for the journal record: any bytes either decode to
// entries that encode back to the same record, or to nothing; a decoded
// entry's digests always match its pieces, so recovery indexes none past
// its end.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tags/write/Record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    writepath::RecordForm form{};
    const auto entries = writepath::DecodeRecord(bytes, &form);
    if (!entries) return 0;
    std::vector<const writepath::JournalEntry*> all;
    for (const auto& e : *entries) {
        for (const auto& r : e.Ranges) {
            if (static_cast<int64_t>(r.OldPieces.size()) !=
                writepath::PieceCount(r.Offset, r.OldLength))
                std::abort();
        }
        all.push_back(&e);
    }
    // Encoded in its own form, a record gives its bytes back.
    const std::string again = writepath::EncodeRecord(all, form);
    if (again != bytes.substr(0, again.size())) std::abort();
    return 0;
}
