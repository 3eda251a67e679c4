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
    const auto entries = writepath::DecodeRecord(bytes);
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
    // The magic aside: a record of the form before ("TZJ2") encodes as
    // today's, with the same payload.
    const std::string again = writepath::EncodeRecord(all);
    if (std::string_view(again).substr(4) != bytes.substr(4, again.size() - 4)) std::abort();
    return 0;
}
