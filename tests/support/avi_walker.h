// A strict reader of the recorder's AVI files (AVI 1.0 with the OpenDML extension): it walks
// every chunk of every RIFF, checks each size against its container, checks the idx1 and the
// OpenDML super and standard indexes entry by entry against the chunks, and checks every frame
// count of the headers against the frames found. It reads headers only, so files past 4 GiB
// are walked quickly.
//
// A file of a recording that was killed holds bytes past the RIFFs its header declares (frames
// written after the last header update); allowTrailing accepts them, and only them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace rezive::test {

struct AviFrameRef {
    uint64_t offset;  // of the frame's bytes, after the chunk header
    uint32_t size;
};

struct AviWalk {
    bool ok = false;
    std::string error;  // the first violation found
    int32_t width = 0;
    int32_t height = 0;
    uint32_t riffs = 0;
    uint32_t avihFrames = 0;   // frames of the first RIFF, as AVI 1.0 readers see them
    uint32_t totalFrames = 0;  // the extended header's count (or avih's without one)
    uint64_t trailingBytes = 0;
    std::vector<AviFrameRef> frames;
};

namespace avi_walk_detail {

class Reader {
public:
    explicit Reader(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
        if (file_ != nullptr && fseeko(file_, 0, SEEK_END) == 0) size_ = ftello(file_);
    }
    ~Reader() {
        if (file_ != nullptr) std::fclose(file_);
    }
    bool Open() const { return file_ != nullptr && size_ >= 0; }
    uint64_t Size() const { return static_cast<uint64_t>(size_); }
    bool Read(uint64_t at, void* out, size_t n) {
        return fseeko(file_, static_cast<off_t>(at), SEEK_SET) == 0 &&
               std::fread(out, 1, n, file_) == n;
    }
    uint32_t U32(uint64_t at) {
        uint8_t b[4] = {};
        ok_ = Read(at, b, 4) && ok_;
        return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
    }
    uint16_t U16(uint64_t at) {
        uint8_t b[2] = {};
        ok_ = Read(at, b, 2) && ok_;
        return static_cast<uint16_t>(b[0] | b[1] << 8);
    }
    uint64_t U64(uint64_t at) { return U32(at) | uint64_t{U32(at + 4)} << 32; }
    // The chunk at `at`: its code, size and the offset after it (padded); false when it does not
    // end by parentEnd.
    bool Chunk(uint64_t at, uint64_t parentEnd, std::string* id, uint32_t* size, uint64_t* next) {
        if (parentEnd - at < 8) return false;
        *id = Code(at);
        *size = U32(at + 4);
        *next = at + 8 + *size + (*size & 1);
        return *next <= parentEnd;
    }
    std::string Code(uint64_t at) {
        char c[4] = {};
        ok_ = Read(at, c, 4) && ok_;
        return std::string(c, 4);
    }
    bool Ok() const { return ok_; }

private:
    std::FILE* file_;
    off_t size_ = -1;
    bool ok_ = true;
};

struct Index {
    uint64_t at;  // chunk offset
    uint32_t chunkBytes;
    std::vector<AviFrameRef> entries;
};

}  // namespace avi_walk_detail

inline AviWalk WalkAvi(const std::string& path, bool allowTrailing = false) {
    using namespace avi_walk_detail;
    AviWalk w;
    Reader r(path);
    auto fail = [&](const std::string& why, uint64_t at) {
        w.ok = false;
        w.error = why + " at " + std::to_string(at);
        return w;
    };
    if (!r.Open()) return fail("cannot open", 0);
    const uint64_t fileSize = r.Size();
    uint32_t frameBytes = 0, strhLength = 0, dmlhFrames = 0, flags = 0;
    bool haveDmlh = false, haveIdx1 = false;
    std::vector<uint64_t> superOffsets;
    std::vector<uint32_t> superSizes, superDurations;
    std::vector<AviFrameRef> idx1;
    uint64_t firstMovi = 0;
    std::vector<Index> indexes;

    uint64_t at = 0;
    while (at < fileSize) {
        if (fileSize - at < 12 || r.Code(at) != "RIFF") {
            if (allowTrailing && w.riffs > 0) {
                w.trailingBytes = fileSize - at;
                break;
            }
            return fail("expected RIFF", at);
        }
        const uint64_t riffEnd = at + 8 + r.U32(at + 4);
        const std::string form = r.Code(at + 8);
        if (form != (w.riffs == 0 ? "AVI " : "AVIX")) return fail("bad RIFF form " + form, at);
        if (riffEnd > fileSize) return fail("RIFF past the end of the file", at);
        ++w.riffs;
        uint64_t c = at + 12;
        bool sawMovi = false;
        while (c < riffEnd) {
            std::string id;
            uint32_t size;
            uint64_t end;
            if (!r.Chunk(c, riffEnd, &id, &size, &end))
                return fail("chunk " + id + " past its RIFF", c);
            const std::string list = id == "LIST" ? r.Code(c + 8) : "";
            if (list == "hdrl") {
                if (w.riffs != 1) return fail("hdrl outside the first RIFF", c);
                uint64_t h = c + 12;
                while (h < end) {
                    std::string hid;
                    uint32_t hs;
                    uint64_t hend;
                    if (!r.Chunk(h, end, &hid, &hs, &hend)) return fail(hid + " past hdrl", h);
                    if (hid == "avih") {
                        if (hs != 56) return fail("avih size", h);
                        flags = r.U32(h + 8 + 12);
                        w.avihFrames = r.U32(h + 8 + 16);
                        w.width = static_cast<int32_t>(r.U32(h + 8 + 32));
                        w.height = static_cast<int32_t>(r.U32(h + 8 + 36));
                    } else if (hid == "LIST" && r.Code(h + 8) == "strl") {
                        uint64_t s = h + 12;
                        while (s < hend) {
                            std::string sid;
                            uint32_t ss;
                            uint64_t send;
                            if (!r.Chunk(s, hend, &sid, &ss, &send))
                                return fail(sid + " past strl", s);
                            if (sid == "strh") {
                                if (ss < 56 || r.Code(s + 8) != "vids") return fail("strh", s);
                                strhLength = r.U32(s + 8 + 32);
                            } else if (sid == "strf") {
                                if (ss != 40 || r.U16(s + 8 + 14) != 24) return fail("strf", s);
                                const uint32_t width = r.U32(s + 12);
                                const uint32_t height = r.U32(s + 16);
                                frameBytes = ((3 * width + 3) & ~3u) * height;
                            } else if (sid == "indx") {
                                if (r.U16(s + 8) != 4 || r.Code(s + 8 + 8) != "00db" ||
                                    r.U32(s + 8) >> 24 != 0)
                                    return fail("indx header", s);
                                const uint32_t inUse = r.U32(s + 8 + 4);
                                if (24 + 16 * uint64_t{inUse} > ss) return fail("indx overfull", s);
                                for (uint32_t i = 0; i < inUse; ++i) {
                                    const uint64_t e = s + 8 + 24 + 16 * uint64_t{i};
                                    superOffsets.push_back(r.U64(e));
                                    superSizes.push_back(r.U32(e + 8));
                                    superDurations.push_back(r.U32(e + 12));
                                }
                            } else if (sid != "JUNK" && sid != "strn") {
                                return fail("unexpected " + sid + " in strl", s);
                            }
                            s = send;
                        }
                    } else if (hid == "LIST" && r.Code(h + 8) == "odml") {
                        if (r.Code(h + 12) != "dmlh" || r.U32(h + 16) < 4) return fail("dmlh", h);
                        dmlhFrames = r.U32(h + 20);
                        haveDmlh = true;
                    } else if (hid != "JUNK") {
                        return fail("unexpected " + hid + " in hdrl", h);
                    }
                    h = hend;
                }
            } else if (list == "movi") {
                if (frameBytes == 0) return fail("movi before the stream format", c);
                if (sawMovi) return fail("second movi in a RIFF", c);
                sawMovi = true;
                if (w.riffs == 1) firstMovi = c + 8;
                uint64_t m = c + 12;
                while (m < end) {
                    std::string mid;
                    uint32_t ms;
                    uint64_t mend;
                    if (!r.Chunk(m, end, &mid, &ms, &mend)) return fail(mid + " past movi", m);
                    if (mid == "00db") {
                        if (ms != frameBytes) return fail("frame size", m);
                        w.frames.push_back({m + 8, ms});
                    } else if (mid == "ix00") {
                        Index ix{m, ms + 8, {}};
                        if (r.U16(m + 8) != 2 || r.U32(m + 8) >> 24 != 1 ||
                            r.Code(m + 16) != "00db")
                            return fail("ix00 header", m);
                        const uint32_t inUse = r.U32(m + 12);
                        if (24 + 8 * uint64_t{inUse} > ms) return fail("ix00 overfull", m);
                        const uint64_t base = r.U64(m + 20);
                        for (uint32_t i = 0; i < inUse; ++i) {
                            const uint64_t e = m + 32 + 8 * uint64_t{i};
                            ix.entries.push_back({base + r.U32(e), r.U32(e + 4)});
                        }
                        indexes.push_back(std::move(ix));
                    } else if (mid != "JUNK") {
                        return fail("unexpected " + mid + " in movi", m);
                    }
                    m = mend;
                }
            } else if (id == "idx1") {
                if (w.riffs != 1 || !sawMovi) return fail("idx1 out of place", c);
                if (size % 16 != 0) return fail("idx1 size", c);
                haveIdx1 = true;
                for (uint32_t i = 0; i < size / 16; ++i) {
                    const uint64_t e = c + 8 + 16 * uint64_t{i};
                    if (r.Code(e) != "00db" || r.U32(e + 4) != 0x10) return fail("idx1 entry", e);
                    idx1.push_back({firstMovi + r.U32(e + 8) + 8, r.U32(e + 12)});
                }
            } else if (id != "JUNK") {
                return fail("unexpected " + id + " in RIFF", c);
            }
            c = end;
        }
        if (!sawMovi) return fail("RIFF without movi", at);
        at = riffEnd;
        if (w.riffs == 1) {
            // AVI 1.0 readers see the first RIFF: its counts and idx1 describe exactly its frames.
            const size_t first = w.frames.size();
            if (w.avihFrames != first) return fail("avih frames " + std::to_string(w.avihFrames) +
                                                   " for " + std::to_string(first), 48);
            if (((flags & 0x10) != 0) != haveIdx1)
                return fail("has-index flag and idx1 differ", 44);
            if (haveIdx1 && idx1.size() != first) return fail("idx1 entries", at);
            for (size_t i = 0; haveIdx1 && i < first; ++i) {
                if (idx1[i].offset != w.frames[i].offset || idx1[i].size != w.frames[i].size)
                    return fail("idx1 entry " + std::to_string(i) + " misses its frame", at);
            }
        }
    }
    if (!r.Ok()) return fail("read failed", 0);
    w.totalFrames = haveDmlh ? dmlhFrames : w.avihFrames;
    if (w.totalFrames != w.frames.size())
        return fail("total frames " + std::to_string(w.totalFrames) + " for " +
                        std::to_string(w.frames.size()), 0);
    if (strhLength != w.frames.size()) return fail("strh length", 0);
    // The super index lists the standard indexes in order; together they name every frame once.
    if (!superOffsets.empty() || !indexes.empty()) {
        if (superOffsets.size() != indexes.size()) return fail("super index entries", 0);
        size_t next = 0;
        for (size_t i = 0; i < indexes.size(); ++i) {
            const Index& ix = indexes[i];
            if (superOffsets[i] != ix.at || superSizes[i] != ix.chunkBytes ||
                superDurations[i] != ix.entries.size())
                return fail("super index entry " + std::to_string(i), ix.at);
            for (const AviFrameRef& e : ix.entries) {
                if (next >= w.frames.size() || e.offset != w.frames[next].offset ||
                    (e.size & 0x7FFFFFFFu) != w.frames[next].size)
                    return fail("standard index entry misses frame " + std::to_string(next), ix.at);
                ++next;
            }
        }
        if (next != w.frames.size()) return fail("frames outside the standard indexes", 0);
    }
    w.ok = true;
    return w;
}

}  // namespace rezive::test
