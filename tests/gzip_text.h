// gzip members made with zlib itself, for tests of what reads and writes compressed captures.
#pragma once

#include <zlib.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vesko::test {

struct GzipMember {
    std::string bytes;
    std::vector<std::size_t> flushEnds;  // where each sync flush ends in `bytes`
};

// `text` as one gzip member, with a sync flush after each offset in `syncAt` (ascending).
inline GzipMember gzipMember(std::string_view text, const std::vector<std::size_t>& syncAt = {}) {
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, MAX_WBITS + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    GzipMember member;
    std::vector<unsigned char> out(1 << 16);
    const auto pass = [&](std::string_view piece, int flush) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
        z.avail_in = static_cast<uInt>(piece.size());
        int rc = Z_OK;
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            rc = deflate(&z, flush);
            member.bytes.append(reinterpret_cast<const char*>(out.data()), out.size() - z.avail_out);
        } while (flush == Z_FINISH ? rc != Z_STREAM_END : z.avail_out == 0);
    };
    std::size_t from = 0;
    for (const std::size_t at : syncAt) {
        pass(text.substr(from, at - from), Z_SYNC_FLUSH);
        member.flushEnds.push_back(member.bytes.size());
        from = at;
    }
    pass(text.substr(from), Z_FINISH);
    deflateEnd(&z);
    return member;
}

}  // namespace vesko::test

namespace vesko::test {

// As much of the text of a gzip member as `bytes` holds, also when it is cut short.
inline std::string gunzipPrefix(std::string_view bytes) {
    z_stream z{};
    if (inflateInit2(&z, MAX_WBITS + 16) != Z_OK) throw std::runtime_error("inflateInit2 failed");
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    std::string text;
    std::vector<unsigned char> out(1 << 16);
    int rc = Z_OK;
    do {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        rc = inflate(&z, Z_SYNC_FLUSH);
        text.append(reinterpret_cast<const char*>(out.data()), out.size() - z.avail_out);
    } while (rc == Z_OK && (z.avail_in > 0 || z.avail_out == 0));
    inflateEnd(&z);
    return text;
}

}  // namespace vesko::test
