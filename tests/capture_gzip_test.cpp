// Compressed captures: read as their text in any chunking, cut or corrupt ones named, and the gzip writer's files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "capture_reader.h"
#include "capture_text.h"
#include "gzip_capture_file.h"
#include "gzip_text.h"

namespace vesko {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kHeaderLines = 2;  // the format line and the column header

fs::path scratch(const std::string& suffix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return fs::temp_directory_path() / (std::string("headvane-gzip-") + info->name() + suffix);
}

std::string scratchFile(const std::string& suffix, const std::string& content) {
    const fs::path path = scratch(suffix);
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void appendRows(std::string& text, std::uint64_t from, std::uint64_t to) {
    for (std::uint64_t i = from; i < to; ++i) {
        CaptureRow r;
        r.hostMicros = static_cast<std::int64_t>(i * 1000);
        r.sample.timestamp = static_cast<std::uint32_t>(4'294'000'000u + i * 48'000);
        r.sample.seq = static_cast<std::uint8_t>(i);
        const auto v = static_cast<std::int16_t>(i % 2001 - 1000);
        r.sample.acc = {v, static_cast<std::int16_t>(-v), 4096};
        r.sample.gyro = {static_cast<std::int16_t>(i % 7), -32768, 32767};
        appendCaptureRow(text, r);
        if (i % 5000 == 4999) text += captureEventText({r.hostMicros, "gap: 1 samples missing"});
    }
}

// Longer than one read chunk, with events between the rows and a summary.
std::string longCapture(std::uint64_t rows) {
    std::string text = captureHeaderText(CaptureMetadata{});
    appendRows(text, 0, rows);
    return text + captureSummaryText({static_cast<std::int64_t>(rows) * 1000, {rows / 3, rows, 0, 0, 0}, 0});
}

// The handlers' calls, written back as capture text: equal logs, equal calls in equal order.
struct Replayed {
    std::string log;
    std::vector<CaptureReadProgress> progress;
    CaptureReadOutcome outcome;
};

Replayed readBack(const std::string& path) {
    Replayed r;
    CaptureHandlers h;
    h.onHeader = [&r](const CaptureMetadata& m) { r.log += captureHeaderText(m); };
    h.onRow = [&r](const CaptureRow& row) { appendCaptureRow(r.log, row); };
    h.onEvent = [&r](const CaptureEvent& e) { r.log += captureEventText(e); };
    h.onSummary = [&r](const CaptureSummary& s) { r.log += captureSummaryText(s); };
    r.outcome = readCaptureFile(path, std::move(h), [&r](const CaptureReadProgress& p) { r.progress.push_back(p); });
    return r;
}

std::string cutWarning(const std::string& path, std::uint64_t line, std::uint64_t rows) {
    return "capture " + path + " line " + std::to_string(line) +
           ": compressed data cut short (interrupted recording?); using the " + std::to_string(rows) +
           " complete rows";
}

TEST(CaptureGzip, ReadsAsItsTextWhateverTheChunksAndMembers) {
    const std::string text = longCapture(20'000);
    ASSERT_GT(text.size(), 3u * 256 * 1024);
    // Two members, split inside a line, must read as one text.
    const std::size_t split = text.size() / 2 + 7;
    const std::string gz = test::gzipMember(text.substr(0, split)).bytes + test::gzipMember(text.substr(split)).bytes;
    const std::string plainPath = scratchFile(".csv", text), gzPath = scratchFile(".csv.gz", gz);
    const Replayed plain = readBack(plainPath), compressed = readBack(gzPath);
    for (const Replayed* r : {&plain, &compressed}) {
        ASSERT_TRUE(r->outcome.ok) << r->outcome.error;
        EXPECT_EQ(r->outcome.warning, "");
        EXPECT_EQ(r->outcome.rows, 20'000u);
        EXPECT_EQ(r->log, text);
        ASSERT_GT(r->progress.size(), 2u);
        for (std::size_t i = 1; i < r->progress.size(); ++i) {
            EXPECT_LE(r->progress[i - 1].fileBytesRead, r->progress[i].fileBytesRead);
            EXPECT_LE(r->progress[i - 1].rows, r->progress[i].rows);
        }
    }
    // Progress counts the file as stored, so it ends at the compressed size.
    EXPECT_EQ(plain.progress.back().fileBytesRead, text.size());
    EXPECT_EQ(plain.progress.back().fileBytes, text.size());
    EXPECT_EQ(compressed.progress.back().fileBytesRead, gz.size());
    EXPECT_EQ(compressed.progress.back().fileBytes, gz.size());
}

TEST(CaptureGzip, ACutStreamGivesItsCompleteRowsWithAWarning) {
    std::string head = captureHeaderText(CaptureMetadata{});
    appendRows(head, 0, 3000);
    std::string text = head;
    appendRows(text, 3000, 9000);
    const test::GzipMember gz = test::gzipMember(text, {head.size()});
    const std::size_t flushEnd = gz.flushEnds.at(0);

    // Cut right after the flush: exactly the rows before it, the cut at the next line.
    const std::string atFlush = scratchFile(".at.gz", gz.bytes.substr(0, flushEnd));
    const Replayed a = readBack(atFlush);
    ASSERT_TRUE(a.outcome.ok) << a.outcome.error;
    EXPECT_EQ(a.log, head);
    EXPECT_EQ(a.outcome.warning, cutWarning(atFlush, kHeaderLines + 3000 + 1, 3000));

    // Cut inside the next block: whatever decodes, in whole rows, is the text's start.
    const std::string inside = scratchFile(".in.gz", gz.bytes.substr(0, flushEnd + 2000));
    const Replayed b = readBack(inside);
    ASSERT_TRUE(b.outcome.ok) << b.outcome.error;
    EXPECT_GE(b.outcome.rows, 3000u);
    EXPECT_LT(b.outcome.rows, 9000u);
    EXPECT_EQ(text.rfind(b.log, 0), 0u);
    EXPECT_NE(b.outcome.warning.find(": compressed data cut short (interrupted recording?); using the " +
                                     std::to_string(b.outcome.rows) + " complete rows"),
              std::string::npos)
        << b.outcome.warning;
}

TEST(CaptureGzip, CorruptAndEmptyStreamsAreErrorsNamingFileAndLine) {
    const std::string text = longCapture(100);
    const std::string good = test::gzipMember(text).bytes;
    const std::string lineAfterAll = std::to_string(kHeaderLines + 100 + 1 + 1);  // rows, summary, then the end
    const auto changed = [&good](std::size_t at, char byte) {
        std::string bytes = good;
        bytes[at] = byte;
        return bytes;
    };
    const std::string noHeader = "line 1: no column header (" + std::string(kCaptureColumns) + ")";
    const struct {
        std::string bytes;
        std::string error;
    } cases[] = {
        {changed(2, 7), "line 1: corrupt compressed data (unknown compression method)"},
        {changed(good.size() - 8, static_cast<char>(good[good.size() - 8] ^ 1)),
         "line " + lineAfterAll + ": corrupt compressed data (incorrect data check)"},
        {changed(good.size() - 4, static_cast<char>(good[good.size() - 4] ^ 1)),
         "line " + lineAfterAll + ": corrupt compressed data (incorrect length check)"},
        {good + "junk", "line " + lineAfterAll + ": corrupt compressed data (incorrect header check)"},
        {test::gzipMember("").bytes, noHeader},
        {"\x1f\x8b", noHeader},
    };
    for (const auto& c : cases) {
        const std::string path = scratchFile(".csv.gz", c.bytes);
        const CaptureReadOutcome outcome = readCaptureFile(path, {});
        EXPECT_FALSE(outcome.ok) << c.error;
        EXPECT_EQ(outcome.error, "capture " + path + " " + c.error);
    }
}

TEST(CaptureGzip, TheWriterDecodesWholeAndUpToItsLastSyncWhenCut) {
    const fs::path path = scratch(".csv.gz");
    std::string head = captureHeaderText(CaptureMetadata{});
    appendRows(head, 0, 3000);
    std::string tail;
    appendRows(tail, 3000, 6000);
    GzipCaptureFile file;
    ASSERT_EQ(file.open(path.string(), true), CaptureFile::Opened::ok) << file.error();
    ASSERT_TRUE(file.write(head) && file.sync());
    const std::string synced = scratchFile(".synced.gz", slurp(path));
    ASSERT_TRUE(file.write(tail) && file.close()) << file.error();
    EXPECT_EQ(file.bytesWritten(), fs::file_size(path));

    const Replayed whole = readBack(path.string());
    ASSERT_TRUE(whole.outcome.ok) << whole.outcome.error;
    EXPECT_EQ(whole.outcome.warning, "");
    EXPECT_EQ(whole.log, head + tail);
    const Replayed cut = readBack(synced);
    ASSERT_TRUE(cut.outcome.ok) << cut.outcome.error;
    EXPECT_EQ(cut.log, head);
    EXPECT_EQ(cut.outcome.warning, cutWarning(synced, kHeaderLines + 3000 + 1, 3000));

    // Opening says what the plain file says.
    GzipCaptureFile again;
    EXPECT_EQ(again.open(path.string(), false), CaptureFile::Opened::exists);
    EXPECT_EQ(again.error(), path.string() + " exists (use --force to replace it)");
}

TEST(CaptureGzip, AWriteErrorIsThePlainFilesError) {
    GzipCaptureFile file;
    if (file.open("/dev/full", true) != CaptureFile::Opened::ok) GTEST_SKIP() << "no /dev/full here";
    const std::string text = longCapture(5000);
    const bool ok = file.write(text) && file.sync();
    EXPECT_FALSE(ok);
    EXPECT_FALSE(file.close());
    EXPECT_EQ(file.error(), "cannot write /dev/full (No space left on device)");
}

// The file as other tools read it: gzip and zcat, and pandas as a data analyst would.
TEST(CaptureGzip, GzipZcatAndPandasReadTheWritersFile) {
    if (std::system("gzip --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "gzip is not installed";
    const fs::path path = scratch(".csv.gz");
    const std::string text = longCapture(7000);
    {
        GzipCaptureFile file;
        ASSERT_EQ(file.open(path.string(), true), CaptureFile::Opened::ok);
        ASSERT_TRUE(file.write(text.substr(0, 1000)) && file.sync() && file.write(text.substr(1000)) && file.close());
    }
    const std::string p = path.string();
    EXPECT_EQ(std::system(("gzip -t " + p).c_str()), 0);
    const fs::path unpacked = scratch(".csv");
    ASSERT_EQ(std::system(("zcat " + p + " > " + unpacked.string()).c_str()), 0);
    EXPECT_EQ(slurp(unpacked), text);
    // A python3 of its own (pyenv, a venv) may come first on the PATH without pandas.
    std::string python;
    for (const char* candidate : {"python3", "/usr/bin/python3"}) {
        if (std::system((std::string(candidate) + " -c 'import pandas' >/dev/null 2>&1").c_str()) == 0) {
            python = candidate;
            break;
        }
    }
    if (python.empty()) GTEST_SKIP() << "python3 with pandas is not installed";
    const std::string script = "import pandas as pd; d = pd.read_csv('" + p +
                               "', comment='#'); print(len(d), ','.join(d.columns), d['gyro_y'].min())";
    const fs::path said = scratch(".txt");
    ASSERT_EQ(std::system((python + " -c \"" + script + "\" > " + said.string()).c_str()), 0);
    EXPECT_EQ(slurp(said), "7000 " + std::string(kCaptureColumns) + " -32768\n");
}

}  // namespace
}  // namespace vesko
