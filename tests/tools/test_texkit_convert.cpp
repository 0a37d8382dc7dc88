// texkit convert run as a user runs it: folder walks, list files, the mirrored output tree, the
// refusals that keep inputs and existing outputs safe, bad inputs among good ones, exit
// statuses, the summary and JSON reports, the same bytes whatever the number of workers, and
// an interrupted run leaving only whole outputs. Also the work pool the conversion runs on.
#include "tests/platform/win32/temp_folder.h"
#include "tests/support/json_reader.h"
#include "tests/texture/jpeg_maker.h"
#include "tests/texture/png_maker.h"
#include "tests/tools/program_run.h"
#include "texture/image_decoder.h"
#include "tools/texkit/work_pool.h"

#include <gtest/gtest.h>
#include <png.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

class TexkitConvert : public InTempFolder {
protected:
    // texkit convert with the arguments.
    ProgramRun run(const std::string& arguments) { return texkit("convert " + arguments); }
    ProgramRun texkit(const std::string& arguments) {
        return runCommand(std::string(TEXKIT_PROGRAM) + " " + arguments);
    }
    ProgramRun texinfo(const std::string& arguments) {
        return runCommand(std::string(TEXINFO_PROGRAM) + " " + arguments);
    }

    // A photograph-like RGB picture as a PNG file.
    static void writePicture(const fs::path& path, uint32_t width, uint32_t height) {
        PngRecipe r;
        r.width = width;
        r.height = height;
        r.colorType = PNG_COLOR_TYPE_RGB;
        r.rows = photoLikeSamples(width, height, 3);
        const Bytes file = makePng(r);
        fs::create_directories(path.parent_path().empty() ? "." : path.parent_path());
        writeHostFile(path, std::string(file.begin(), file.end()));
    }

    static Bytes bytesOf(const fs::path& path) {
        const std::string text = readHostFile(path);
        return Bytes(text.begin(), text.end());
    }

    // The files under `folder`, relative to it, sorted.
    static std::vector<std::string> filesUnder(const fs::path& folder) {
        std::vector<std::string> names;
        if (!fs::is_directory(folder))
            return names;
        // Lexically: a running conversion may rename a temporary file away meanwhile.
        std::error_code gone;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file(gone))
                names.push_back(entry.path().lexically_relative(folder).string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // A DDS file the loader reads back with its whole chain.
    static bool loadsWithLevels(const fs::path& path, UINT levels) {
        const Bytes file = bytesOf(path);
        ImageDecoder image;
        return SUCCEEDED(image.load(file.data(), UINT(file.size()), nullptr)) &&
               image.fileFormat == Dds && image.levelCount() == levels;
    }

    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }
};

TEST_F(TexkitConvert, FoldersGiveTheirPicturesAndRecursionMirrorsTheTree) {
    writePicture("pics/a.png", 8, 8);
    writePicture("pics/B.PNG", 8, 4);
    writeHostFile("pics/notes.txt", "not a picture");
    writePicture("pics/sub/deeper/c.png", 4, 4);

    ProgramRun r = run("pics -o out");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(filesUnder("out"), (std::vector<std::string>{"B.dds", "a.dds"}));
    EXPECT_TRUE(loadsWithLevels("out/a.dds", 4));
    EXPECT_TRUE(loadsWithLevels("out/B.dds", 4));

    r = run("-r pics -o tree");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(filesUnder("tree"), (std::vector<std::string>{"B.dds", "a.dds", "sub/deeper/c.dds"}));
    EXPECT_TRUE(loadsWithLevels("tree/sub/deeper/c.dds", 3));
}

TEST_F(TexkitConvert, ListFilesAndPlainFilesNameTheirInputs) {
    writePicture("pics/a.png", 8, 8);
    writePicture("pics/sub/c.png", 8, 8);
    writePicture("loose.dat", 4, 4); // read by its bytes, whatever its name
    writeHostFile("inputs.txt", "pics/a.png\n\npics/sub/c.png\r\n");
    const ProgramRun r = run("@inputs.txt loose.dat -o out --png");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(filesUnder("out"), (std::vector<std::string>{"a.png", "c.png", "loose.png"}));
    const Bytes png = bytesOf("out/c.png");
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
}

TEST_F(TexkitConvert, TwoInputsForOneOutputAreRefusedBeforeAnyWork) {
    writePicture("pics/a.png", 8, 8);
    writePicture("pics/b.png", 8, 8);
    fs::copy_file("pics/a.png", "pics/a.tga");
    const ProgramRun r = run("pics -o out");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "texkit: pics/a.png and pics/a.tga would both write out/a.dds; nothing was "
                     "converted\n");
    EXPECT_FALSE(fs::exists("out"));
}

TEST_F(TexkitConvert, ExistingOutputsStayUnlessForcedAndUpdateSkipsNewerOnes) {
    writePicture("a.png", 8, 8);
    fs::create_directory("out");
    writeHostFile("out/a.dds", "older work");

    ProgramRun r = run("a.png -o out");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("texkit: a.png: out/a.dds exists (--force replaces it)\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(readHostFile("out/a.dds"), "older work");

    r = run("a.png -o out --force");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(loadsWithLevels("out/a.dds", 4));

    // Newer than its input: left as it is.
    const auto now = fs::file_time_type::clock::now();
    fs::last_write_time("a.png", now - std::chrono::hours(2));
    fs::last_write_time("out/a.dds", now - std::chrono::hours(1));
    writeHostFile("out/a.dds", "kept");
    fs::last_write_time("out/a.dds", now - std::chrono::hours(1));
    r = run("a.png -o out --update");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readHostFile("out/a.dds"), "kept");
    EXPECT_NE(r.err.find("converted 0, skipped 1, failed 0"), std::string::npos) << r.err;

    // Older than its input: converted again.
    fs::last_write_time("a.png", now);
    r = run("a.png -o out --update");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(loadsWithLevels("out/a.dds", 4));
}

TEST_F(TexkitConvert, AnInputIsNeverWrittenOver) {
    writePicture("a.png", 8, 8);
    ASSERT_EQ(run("a.png -o .").status, 0);
    const std::string converted = readHostFile("a.dds");
    // a.dds is now an input whose output is itself, even when forced.
    const ProgramRun r = run("a.dds -o . --force --format DXT1");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("texkit: a.dds: a.dds is an input of this run; it is not written over"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(readHostFile("a.dds"), converted);
}

TEST_F(TexkitConvert, BadInputsAreReportedOneLineEachAndTheOthersConverted) {
    writePicture("pics/good.png", 8, 8);
    writeHostFile("pics/text.png", "this is not a picture");
    fs::create_directory_symlink(".", "pics/loop");
    const ProgramRun r = run("-r pics missing.png -o out");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(filesUnder("out"), (std::vector<std::string>{"good.dds"}));
    const std::vector<std::string> errors = lines(r.err);
    const auto has = [&](const std::string& line) {
        return std::find(errors.begin(), errors.end(), line) != errors.end();
    };
    EXPECT_TRUE(has("texkit: missing.png: cannot be opened (No such file or directory)")) << r.err;
    EXPECT_TRUE(has("texkit: pics/text.png: no decoder accepts this file (InvalidData)")) << r.err;
    EXPECT_TRUE(has("texkit: pics/loop: leads back into a folder it is inside (a loop through a "
                    "symbolic link); not followed"))
        << r.err;
    EXPECT_NE(r.err.find("texkit: converted 1, skipped 0, failed 3 in "), std::string::npos)
        << r.err;
}

TEST_F(TexkitConvert, AnOutputFolderThatCannotBeMadeFailsEachFile) {
    writePicture("a.png", 8, 8);
    writeHostFile("blocked", "a file where the folder should be");
    const ProgramRun r = run("a.png -o blocked/out");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("texkit: a.png: cannot make the folder blocked/out"), std::string::npos)
        << r.err;
}

TEST_F(TexkitConvert, PicturesOverThePixelLimitAreRefusedFromTheirHeader) {
    writePicture("wide.png", 64, 64);
    writePicture("small.png", 32, 32);
    const ProgramRun r = run("wide.png small.png -o out --max-pixels 40x40");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("texkit: wide.png: declares 64 x 64 pixels, more than --max-pixels 1600"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(filesUnder("out"), (std::vector<std::string>{"small.dds"}));
}

// A picture wider than the device's largest texture is made smaller; the run says so instead of
// writing a smaller texture without a word. One within the limits keeps its size silently.
TEST_F(TexkitConvert, APictureTheDeviceMustShrinkIsNamedWithBothSizes) {
    writePicture("wide.png", 4100, 3);
    writePicture("small.png", 40, 3);
    const ProgramRun r = run("wide.png small.png -o out --format A8R8G8B8 -j 1 --json");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> errors = lines(r.err);
    ASSERT_EQ(errors.size(), 2u) << r.err;
    EXPECT_EQ(errors[0], "texkit: wide.png: warning: made 4096 x 3, not the picture's 4100 x 3: "
                         "the device's largest texture");
    const std::vector<std::string> objects = lines(r.out);
    ASSERT_EQ(objects.size(), 2u) << r.out;
    for (const std::string& line : objects) {
        test_support::JsonValue value;
        std::string error;
        ASSERT_TRUE(test_support::parseJson(line, &value, &error)) << error << ": " << line;
        const bool wide = value.find("input")->string == "wide.png";
        EXPECT_EQ(value.find("width")->number, wide ? 4096 : 40);
        EXPECT_EQ(value.find("warning") != nullptr, wide) << line;
    }
    // A size asked for is held against the texture made the same way.
    const ProgramRun asked = run("small.png -o asked --width 5000 --format A8R8G8B8 -q");
    EXPECT_EQ(asked.status, 0);
    EXPECT_EQ(asked.err, "texkit: small.png: warning: made 4096 x 3, not the asked 5000 x 3: the "
                         "device's largest texture\n");
    EXPECT_EQ(run("small.png -o kept --width 300 --format A8R8G8B8 -q").err, "");
}

// A format the device does not offer is made in the nearest one it has, and the run says so.
TEST_F(TexkitConvert, AFormatTheDeviceDoesNotOfferIsNamedWithTheOneMade) {
    writePicture("a.png", 8, 8);
    ProgramRun r = run("a.png -o rgb --format R8G8B8");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(lines(r.err).at(0), "texkit: a.png: warning: made D3DFMT_X8R8G8B8, not the asked "
                                  "D3DFMT_R8G8B8: the nearest format the device offers");
    r = run("a.png -o same --format X8R8G8B8 -q");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

// Format names are read whatever their case: "dxt1" is DXT1, not a four-character code no
// device knows (which the loader would quietly turn into A8R8G8B8).
TEST_F(TexkitConvert, FormatNamesAreReadInAnyCase) {
    writePicture("a.png", 8, 8);
    const struct {
        const char* typed;
        const char* shown;
    } cases[] = {{"dxt1", "DXT1"},
                 {"Dxt5", "DXT5"},
                 {"bc7", "BC7"},
                 {"ati2", "BC5"},
                 {"r5g6b5", "D3DFMT_R5G6B5"},
                 {"d3dfmt_a8r8g8b8", "D3DFMT_A8R8G8B8"}};
    for (const auto& c : cases) {
        const std::string folder = std::string("out-") + c.typed;
        const ProgramRun r = run("a.png -o " + folder + " --json --format " + c.typed);
        ASSERT_EQ(r.status, 0) << c.typed << ": " << r.err;
        test_support::JsonValue value;
        std::string error;
        ASSERT_TRUE(test_support::parseJson(lines(r.out).at(0), &value, &error)) << error;
        EXPECT_EQ(value.find("format")->string, c.shown) << c.typed;
    }
}

TEST_F(TexkitConvert, UsageErrorsExitWith2AndNameTheirCause) {
    struct Case {
        const char* arguments;
        const char* error;
    };
    const Case cases[] = {
        {"convert", "texkit: no input given\n"},
        {"convert a.png", "texkit: no output folder given (-o DIR)\n"},
        {"convert a.png -o out --bogus", "texkit: unknown option --bogus\n"},
        {"convert a.png -o out -j 0", "texkit: cannot read -j 0\n"},
        {"convert a.png -o out --format NOSUCH", "texkit: cannot read --format NOSUCH\n"},
        {"convert a.png -o out --max-pixels x", "texkit: cannot read --max-pixels x\n"},
        {"convert a.png -o out --force=yes", "texkit: --force takes no value\n"},
        {"", "texkit: no verb given\n"},
        {"bogus", "texkit: unknown verb bogus\n"},
    };
    for (const Case& c : cases) {
        const ProgramRun r = texkit(c.arguments);
        EXPECT_EQ(r.status, 2) << c.arguments;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), c.error) << c.arguments;
    }
    ProgramRun help = run("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"-o, --output DIR", "--force", "--update", "-j, --jobs N",
                               "--max-pixels N", "no colour key"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    help = texkit("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("  convert "), std::string::npos);
    EXPECT_NE(help.out.find("  info "), std::string::npos);
}

TEST_F(TexkitConvert, JsonGivesOneObjectPerInputAndTheSummaryEndsTheRun) {
    writePicture("a.png", 12, 8);
    writeHostFile("broken.png", "nothing");
    ProgramRun r = run("a.png broken.png -o out --json --format DXT1");
    EXPECT_EQ(r.status, 1);
    const std::vector<std::string> objects = lines(r.out);
    ASSERT_EQ(objects.size(), 2u) << r.out;
    int converted = 0, failed = 0;
    for (const std::string& line : objects) {
        test_support::JsonValue value;
        std::string error;
        ASSERT_TRUE(test_support::parseJson(line, &value, &error)) << error << ": " << line;
        ASSERT_EQ(value.kind, test_support::JsonValue::Object);
        const std::string result = value.find("result")->string;
        if (value.find("input")->string == "a.png") {
            ++converted;
            EXPECT_EQ(result, "converted");
            EXPECT_EQ(value.find("output")->string, "out/a.dds");
            EXPECT_EQ(value.find("width")->number, 12);
            EXPECT_EQ(value.find("height")->number, 8);
            EXPECT_EQ(value.find("format")->string, "DXT1");
            EXPECT_EQ(value.find("levels")->number, 4);
            EXPECT_EQ(value.find("bytes")->number, double(fs::file_size("out/a.dds")));
            EXPECT_GE(value.find("milliseconds")->number, 0);
        } else {
            ++failed;
            EXPECT_EQ(result, "failed");
            EXPECT_EQ(value.find("reason")->string, "no decoder accepts this file (InvalidData)");
        }
    }
    EXPECT_EQ(converted, 1);
    EXPECT_EQ(failed, 1);
    const std::vector<std::string> errors = lines(r.err);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.back().rfind("texkit: converted 1, skipped 0, failed 1 in ", 0), 0u)
        << errors.back();

    r = run("a.png -o quiet --quiet");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
}

// Bands of one large picture and files on several workers give the bytes one worker gives,
// and those of texinfo, which makes every blit whole.
TEST_F(TexkitConvert, TheBytesAreTheSameWhateverTheWorkers) {
    writePicture("pics/large.png", 600, 400);
    writePicture("pics/small.png", 70, 50);
    for (const char* format :
         {"DXT1", "DXT2", "DXT3", "DXT4", "DXT5", "A8R8G8B8", "R5G6B5", "X1R5G5B5", "L8"}) {
        const std::string request = std::string(" --format ") + format;
        // The default chain (Kaiser in linear light), and the box chain of a load.
        for (const std::string chain : {"", " --mip-filter box --colorspace linear"}) {
            ASSERT_EQ(run("pics -o one -j 1 --force" + request + chain).status, 0) << format;
            ASSERT_EQ(run("pics -o four -j 4 --force" + request + chain).status, 0) << format;
            for (const char* name : {"large.dds", "small.dds"}) {
                const Bytes one = bytesOf(fs::path("one") / name);
                ASSERT_GT(one.size(), 128u) << format << " " << name;
                EXPECT_TRUE(bytesOf(fs::path("four") / name) == one) << format << " " << name;
            }
        }
        // `--mip-filter box --colorspace linear` is the chain a load makes, byte for byte.
        const ProgramRun whole = texinfo("pics/large.png --key 0 --filter default "
                                         "--mip-filter box --quality high --dds whole.dds" +
                                         request);
        ASSERT_EQ(whole.status, 0) << whole.err;
        EXPECT_TRUE(bytesOf("whole.dds") == bytesOf("one/large.dds")) << format;
    }
}

// The converter writes the high-quality encoder's blocks unless told otherwise; info writes
// the blocks a load gives unless told otherwise; the two agree when asked the same.
TEST_F(TexkitConvert, QualityChoosesTheBlockEncoder) {
    writePicture("photo.png", 96, 64);
    const std::string loadChain = " --mip-filter box --colorspace linear";
    ASSERT_EQ(run("photo.png -o high --format DXT1" + loadChain).status, 0);
    ASSERT_EQ(run("photo.png -o exact --format DXT1 --quality exact" + loadChain).status, 0);
    ASSERT_EQ(texinfo("photo.png --key 0 --filter default --mip-filter box --format DXT1 "
                      "--dds info.dds")
                  .status,
              0);
    ASSERT_EQ(texinfo("photo.png --key 0 --filter default --mip-filter box --format DXT1 "
                      "--quality high --dds info-high.dds")
                  .status,
              0);
    EXPECT_TRUE(bytesOf("exact/photo.dds") == bytesOf("info.dds"));
    EXPECT_TRUE(bytesOf("high/photo.dds") == bytesOf("info-high.dds"));
    EXPECT_FALSE(bytesOf("high/photo.dds") == bytesOf("exact/photo.dds"));
    const ProgramRun wrong = run("photo.png -o x --quality finest");
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(wrong.err.substr(0, wrong.err.find('\n')), "texkit: cannot read --quality finest");
}

// Stopped by SIGINT after its first output: the process ends by the signal, every output it
// left loads whole, and no temporary file is left behind.
TEST_F(TexkitConvert, AnInterruptedRunLeavesOnlyWholeOutputs) {
    writePicture("picture.png", 512, 512);
    constexpr int files = 40;
    fs::create_directory("pics");
    for (int i = 0; i < files; ++i)
        fs::create_symlink("../picture.png", "pics/p" + std::to_string(100 + i) + ".png");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl(TEXKIT_PROGRAM, TEXKIT_PROGRAM, "convert", "pics", "-o", "out", "-j", "1", "--format",
              "DXT5", "--quiet", static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    const auto anyWhole = [&] {
        const std::vector<std::string> names = filesUnder("out");
        return std::any_of(names.begin(), names.end(),
                           [](const std::string& name) { return name[0] != '.'; });
    };
    while (!anyWhole()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    const std::vector<std::string> left = filesUnder("out");
    ASSERT_FALSE(left.empty());
    EXPECT_LT(left.size(), size_t(files));
    for (const std::string& name : left) {
        EXPECT_NE(name[0], '.') << "a temporary file was left: " << name;
        EXPECT_TRUE(loadsWithLevels(fs::path("out") / name, 10)) << name;
    }
}

// Bands handed out by tasks running on the pool, several at once: every band runs exactly
// once and every task sees all of its own bands done when run returns.
TEST(WorkPool, NestedRunsCallEveryBandOnce) {
    constexpr unsigned tasks = 12;
    constexpr uint32_t bands = 37;
    std::vector<std::atomic<int>> calls(tasks * bands);
    std::atomic<unsigned> started{0};
    std::atomic<bool> allSeen{true};
    {
        WorkPool pool(4, [&](unsigned) { ++started; });
        for (unsigned t = 0; t < tasks; ++t) {
            pool.submit([&, t](unsigned worker) {
                EXPECT_LT(worker, 4u);
                struct Context {
                    std::atomic<int>* calls;
                };
                Context context = {&calls[size_t(t) * bands]};
                pool.run(
                    bands,
                    [](void* c, uint32_t i) {
                        static_cast<Context*>(c)->calls[i].fetch_add(1);
                        std::this_thread::sleep_for(std::chrono::microseconds(50));
                    },
                    &context);
                for (uint32_t i = 0; i < bands; ++i)
                    if (calls[size_t(t) * bands + i].load() != 1)
                        allSeen = false;
            });
        }
        EXPECT_TRUE(pool.waitUntilIdle(std::chrono::seconds(60)));
    }
    EXPECT_EQ(started.load(), 4u);
    EXPECT_TRUE(allSeen.load());
    for (size_t i = 0; i < calls.size(); ++i)
        EXPECT_EQ(calls[i].load(), 1) << i;
}

} // namespace
