// The command's parts that need no plug-in run: the worker report protocol,
// output planning, atomic writes, the progress line, the JSON text and the
// second reading of a 16-bit photo's samples.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "cli/AtomicFile.h"
#include "cli/ChannelCurves.h"
#include "cli/CurvesReport.h"
#include "cli/Method.h"
#include "cli/OutputPaths.h"
#include "cli/PhotoReading.h"
#include "cli/ProgressBar.h"
#include "cli/Reporter.h"
#include "cli/TemporaryName.h"

namespace clitest {
namespace {

using namespace mirtane::cli;

class RecordingReporter : public Reporter {
  public:
    void Progress(double fraction) override { progress.push_back(fraction); }
    void Notice(const std::string& line) override { notices.push_back(line); }
    void Error(const std::string& line) override { errors.push_back(line); }
    void Result(const std::string& line) override { results.push_back(line); }
    std::vector<double> progress;
    std::vector<std::string> notices, errors, results;
};

TEST(WorkerProtocol, EveryReportCrossesThePipeAsOneLineAndComesBackIntact) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    PipeReporter sender(ends[1]);
    sender.Progress(0.0);
    sender.Progress(0.001);  // under half a percent: not sent
    sender.Progress(0.25);
    sender.Notice("a.png: 16 bits per sample");
    sender.Error("b.png: line one\nline two");  // a line break must not split the report
    sender.Result("restored c.png -> d.png");
    close(ends[1]);
    std::string bytes;
    char buffer[256];
    for (ssize_t count; (count = read(ends[0], buffer, sizeof buffer)) > 0;) {
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    close(ends[0]);

    RecordingReporter receiver;
    for (const std::string& line : Lines(bytes)) {
        EXPECT_TRUE(DispatchProtocolLine(line, receiver)) << line;
    }
    EXPECT_EQ(receiver.progress, (std::vector<double>{0.0, 0.25}));
    EXPECT_EQ(receiver.notices, std::vector<std::string>{"a.png: 16 bits per sample"});
    EXPECT_EQ(receiver.errors, std::vector<std::string>{"b.png: line one line two"});
    EXPECT_EQ(receiver.results, std::vector<std::string>{"restored c.png -> d.png"});
}

TEST(WorkerProtocol, LinesThatAreNotReportsAreRejected) {
    RecordingReporter receiver;
    for (const char* line : {"", "P", "Px", "P abc", "P nan", "X text", "E"}) {
        EXPECT_FALSE(DispatchProtocolLine(line, receiver)) << line;
    }
    EXPECT_TRUE(receiver.progress.empty());
    EXPECT_TRUE(receiver.errors.empty());
}

TEST(OutputPlan, KeepsNamesAndRefusesCollisionsAndOverwritingInputs) {
    ScratchFolder folder;
    ASSERT_EQ(mkdir((folder / "a").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((folder / "b").c_str(), 0755), 0);
    WriteFileBytes(folder / "a/one.jpg", "1");
    WriteFileBytes(folder / "b/one.jpg", "2");
    WriteFileBytes(folder / "a/two.jpg", "3");
    const std::vector<PlannedOutput> plan = PlanOutputFolder(
        {folder / "a/one.jpg", folder / "b/one.jpg", folder / "a/two.jpg"}, folder / "a/");
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_EQ(plan[0].output, folder / "a/one.jpg");
    EXPECT_NE(plan[0].problem.find("would overwrite the input"), std::string::npos);
    EXPECT_EQ(plan[1].output, folder / "a/one.jpg");
    EXPECT_NE(plan[1].problem.find("would overwrite the input " + (folder / "a/one.jpg")),
              std::string::npos)
        << "a/one.jpg is an input of the run, even though its own restore was refused";
    EXPECT_NE(plan[2].problem.find("would overwrite the input"), std::string::npos);

    const std::vector<PlannedOutput> elsewhere =
        PlanOutputFolder({folder / "a/one.jpg", folder / "b/one.jpg"}, folder / "out");
    EXPECT_TRUE(elsewhere[0].problem.empty());
    EXPECT_EQ(elsewhere[0].output, folder / "out/one.jpg");
    EXPECT_NE(elsewhere[1].problem.find(folder / "a/one.jpg"), std::string::npos);
}

TEST(OutputPlan, FoldersAreCreatedWithTheirParentsAndFilesInTheWayReported) {
    ScratchFolder folder;
    std::string error;
    EXPECT_EQ(EnsureFolder(folder / "x/y/z", error), 0) << error;
    EXPECT_EQ(FolderEntries(folder / "x/y"), std::vector<std::string>{"z"});
    EXPECT_EQ(EnsureFolder(folder / "x/y/z", error), 0) << "an existing folder is fine";
    WriteFileBytes(folder / "file", "x");
    EXPECT_EQ(EnsureFolder(folder / "file/sub", error), -1);
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    EXPECT_EQ(FileName("a/b/c.png"), "c.png");
    EXPECT_EQ(FileName("c.png"), "c.png");
}

// Writes through an AtomicFile; false with `error` set on failure.
bool WriteAtomically(const std::string& path, const std::string& bytes, std::string& error) {
    AtomicFile file;
    if (file.Create(path, error) != 0) {
        return false;
    }
    if (write(file.fd(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        error = "short write";
        return false;
    }
    return file.Commit(error) == 0;
}

TEST(AtomicWrite, ReplacesTheTargetWholeAndLeavesNoTemporaryFile) {
    ScratchFolder folder;
    std::string error;
    WriteFileBytes(folder / "target.png", "old");
    const std::string bytes(1 << 20, 'n');
    ASSERT_TRUE(WriteAtomically(folder / "target.png", bytes, error)) << error;
    EXPECT_EQ(ReadFileBytes(folder / "target.png"), bytes);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"target.png"});
    struct stat status {};
    ASSERT_EQ(stat((folder / "target.png").c_str(), &status), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);
}

TEST(AtomicWrite, AFailureLeavesTheTargetAndTheFolderAsTheyWere) {
    ScratchFolder folder;
    std::string error;
    ASSERT_EQ(mkdir((folder / "taken").c_str(), 0755), 0);
    EXPECT_FALSE(WriteAtomically(folder / "taken", "x", error));
    EXPECT_NE(error.find("is a directory"), std::string::npos) << error;
    EXPECT_FALSE(WriteAtomically(folder / "missing/file.png", "x", error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    {
        // Abandoned half-way: the target keeps its old content.
        WriteFileBytes(folder / "kept.png", "old");
        AtomicFile file;
        ASSERT_EQ(file.Create(folder / "kept.png", error), 0) << error;
        ASSERT_EQ(write(file.fd(), "partial", 7), 7);
        EXPECT_EQ(folder.Entries().size(), 3u) << "the temporary file exists while writing";
    }
    EXPECT_EQ(ReadFileBytes(folder / "kept.png"), "old");
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"kept.png", "taken"}));
}

TEST(TemporaryNames, CarryThePidAndFitTheNameLimitWithoutShorteningTheOutput) {
    int suffix = 0;
    EXPECT_EQ(TemporaryPattern("dir/name.png", 1234, suffix), "dir/.mirtane-1234-XXXXXX-name.png");
    EXPECT_EQ(suffix, 9);
    EXPECT_EQ(TemporaryPattern("name.png", 7, suffix), ".mirtane-7-XXXXXX-name.png");
    EXPECT_EQ(TemporaryOwner(".mirtane-1234-a1B2c3-name.png"), 1234);
    EXPECT_EQ(TemporaryOwner(".mirtane-1234-a1B2c3-"), 1234);
    for (const char* foreign :
         {".mirtane-", ".mirtane-12", ".mirtane-x-abcdef-n", ".name.png.mirtane-abcdef",
          "mirtane-12-abcdef-n", ".mirtane-12-abc"}) {
        EXPECT_EQ(TemporaryOwner(foreign), 0) << foreign;
    }
    // A 255-byte output name: the temporary name stays within 255 bytes.
    ScratchFolder folder;
    const std::string longName(251, 'n');
    const std::string pattern = TemporaryPattern(folder / (longName + ".png"), 4194304, suffix);
    EXPECT_EQ(pattern.size() - folder.path().size() - 1, 255u);
    AtomicFile file;
    std::string error;
    ASSERT_EQ(file.Create(folder / (longName + ".png"), error), 0) << error;
    ASSERT_EQ(write(file.fd(), "x", 1), 1);
    ASSERT_EQ(file.Commit(error), 0) << error;
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{longName + ".png"}));
}

TEST(ProgressLine, ShowsTheFractionAndNeverOverflowsTheTerminal) {
    EXPECT_EQ(FormatProgressLine(0.5, "3/10 files", 80),
              "[###############               ]  50%  3/10 files");
    EXPECT_EQ(FormatProgressLine(1.0, "", 80), "[##############################] 100%  ");
    EXPECT_EQ(FormatProgressLine(-1.0, "", 80), "[                              ]   0%  ");
    EXPECT_EQ(FormatProgressLine(NAN, "", 80), "[                              ]   0%  ");
    const std::string longLabel(200, 'x');
    EXPECT_EQ(FormatProgressLine(0.3, longLabel, 60).size(), 59u);
}

TEST(ProgressLine, AnalysisFractionRisesThroughThePlugInsStages) {
    EXPECT_GT(AnalysisFraction(1, 3), 0.0);
    EXPECT_LT(AnalysisFraction(1, 3), AnalysisFraction(2, 3));
    EXPECT_LT(AnalysisFraction(2, 3), AnalysisFraction(0, 3));  // 0 of 3 closes the analysis
    EXPECT_DOUBLE_EQ(AnalysisFraction(0, 3), 1.0);
    EXPECT_DOUBLE_EQ(AnalysisFraction(5, 0), 0.0);  // not a stage report
    EXPECT_DOUBLE_EQ(AnalysisFraction(4, 9), 0.0);
}

TEST(CurvesText, JsonStringsAreEscapedAndNonFiniteValuesBecomeNull) {
    EXPECT_EQ(JsonString("a\"b\\c\nd"), "\"a\\\"b\\\\c\\u000ad\"");
    ChannelCurves curves;
    curves.blackLevel = NAN;
    curves.whiteLevel = 1.0f;
    curves.tables[1][7] = INFINITY;
    curves.tables[2][255] = 0.1f;
    const std::string json = FormatCurvesJson("x.png", curves, ByteTables{});
    EXPECT_NE(json.find("\"blackLevel\": null"), std::string::npos) << json;
    EXPECT_NE(json.find("\"whiteLevel\": 1,"), std::string::npos) << json;
    EXPECT_EQ(json.find("inf"), std::string::npos);
    EXPECT_NE(json.find("0.100000001]"), std::string::npos) << "float32 0.1 printed exactly";
    const std::string text = FormatCurvesText(curves);
    EXPECT_EQ(Lines(text).size(), 5u);
    EXPECT_EQ(text.substr(0, 16), "black-level nan\n");
}

// A 16-bit scene of width x height: each byte of the faded scene widened,
// with an offset that differs from pixel to pixel.
vips::VImage DeepPicture(int width, int height) {
    const vips::VImage xy = vips::VImage::xyz(width, height);
    return (ToVips(MakeFadedScene(width, height)).cast(VIPS_FORMAT_USHORT) * 257 +
            (xy[0] * 7 + xy[1] * 3).remainder_const({100}))
        .cast(VIPS_FORMAT_USHORT)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
}

TEST(DeepSamples, ReadInASecondPassAreTheSamplesOfOneReadingAndAChangedFileIsRefused) {
    ScratchFolder folder;
    const std::string path = folder / "deep.tif";
    WriteImage(DeepPicture(500, 490), path);
    std::string error;
    Photo whole;
    ASSERT_EQ(LoadPhoto(path, PhotoLimits{}, whole, error, DeepSamples::Now), 0) << error;
    Photo later;
    ASSERT_EQ(LoadPhoto(path, PhotoLimits{}, later, error, DeepSamples::Later), 0) << error;
    EXPECT_TRUE(later.SixteenBits());
    EXPECT_TRUE(later.deep.empty()) << "only the rendering is held until the samples are asked for";
    EXPECT_EQ(later.rgb.pixels, whole.rgb.pixels);
    ASSERT_EQ(LoadDeepSamples(path, later, error), 0) << error;
    EXPECT_EQ(later.deep, whole.deep);
    ASSERT_EQ(LoadDeepSamples(path, later, error), 0) << "a second call keeps what is there";
    EXPECT_EQ(later.deep, whole.deep);

    // Replaced between the passes by a picture of another shape or depth,
    // or removed: refused, with nothing read.
    const auto secondPass = [&](const std::function<void()>& change) {
        Photo first;
        EXPECT_EQ(LoadPhoto(path, PhotoLimits{}, first, error, DeepSamples::Later), 0) << error;
        change();
        error.clear();
        EXPECT_EQ(LoadDeepSamples(path, first, error), -1);
        EXPECT_TRUE(first.deep.empty());
        WriteImage(DeepPicture(500, 490), path);
        return error;
    };
    EXPECT_EQ(secondPass([&] {
                  // The same picture written again: another file now, of
                  // another time.
                  const std::string again = folder / "again.tif";
                  WriteImage(DeepPicture(500, 490), again);
                  ASSERT_EQ(rename(again.c_str(), path.c_str()), 0);
              }),
              "the file changed while it was being restored");
    EXPECT_EQ(secondPass([&] { WriteImage(DeepPicture(500, 480), path); }),
              "the file changed while it was being restored");
    EXPECT_EQ(secondPass([&] { WriteImage(ToVips(MakeFadedScene(500, 490)), path); }),
              "the file changed while it was being restored");
    EXPECT_EQ(secondPass([&] { ToVips(MakeFadedScene(500, 490)).jpegsave(path.c_str()); }),
              "the file changed while it was being restored");
    EXPECT_EQ(secondPass([&] { ASSERT_EQ(unlink(path.c_str()), 0); }).rfind("cannot open: ", 0),
              0u);

    // An 8-bit photo has no samples beside its picture to read.
    WriteImage(ToVips(MakeFadedScene(500, 490)), folder / "flat.png");
    Photo flat;
    ASSERT_EQ(LoadPhoto(folder / "flat.png", PhotoLimits{}, flat, error, DeepSamples::Later), 0);
    EXPECT_EQ(LoadDeepSamples(folder / "flat.png", flat, error), 0);
    EXPECT_FALSE(flat.SixteenBits());
    EXPECT_TRUE(flat.deep.empty());
}

}  // namespace
}  // namespace clitest
