// texkit convert's files when the world is not kind: symbolic links planted under the names of
// its temporary files, every file-system call that writes failing in turn, a file system too
// small for the outputs, a folder it may not write, two runs into one folder at once, and file
// names that are not text. Each time: one line per failure, outputs whole or absent, no
// temporary file left, inputs untouched.
#include "tests/platform/win32/temp_folder.h"
#include "tests/support/json_reader.h"
#include "tests/texture/jpeg_maker.h"
#include "tests/texture/png_maker.h"
#include "tests/tools/program_run.h"
#include "tools/texkit/json_text.h"
#include "tools/texkit/shown_text.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <sched.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <grp.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// What a run must not change about an input.
struct InputState {
    std::string bytes;
    timespec modified = {};
};

class TexkitFiles : public InTempFolder {
protected:
    static ProgramRun texkit(const std::string& arguments, const std::string& environment = "") {
        return runCommand(environment + " " + TEXKIT_PROGRAM + " " + arguments);
    }

    // A photograph-like RGB picture as a PNG file.
    static void writePicture(const fs::path& path, uint32_t width, uint32_t height) {
        PngRecipe r;
        r.width = width;
        r.height = height;
        r.colorType = PNG_COLOR_TYPE_RGB;
        r.rows = photoLikeSamples(width, height, 3);
        const std::vector<uint8_t> file = makePng(r);
        if (path.has_parent_path())
            fs::create_directories(path.parent_path());
        writeHostFile(path, std::string(file.begin(), file.end()));
    }

    // Every file under `folder` (hidden ones too) with its bytes, by path relative to it.
    static std::map<std::string, std::string> filesUnder(const fs::path& folder) {
        std::map<std::string, std::string> files;
        if (!fs::is_directory(folder))
            return files;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
            if (!entry.is_directory())
                files[entry.path().lexically_relative(folder).string()] = readHostFile(entry.path());
        return files;
    }

    static InputState stateOf(const fs::path& path) {
        InputState state;
        state.bytes = readHostFile(path);
        struct stat info = {};
        ::stat(path.c_str(), &info);
        state.modified = info.st_mtim;
        return state;
    }

    static bool unchanged(const InputState& before, const fs::path& path) {
        const InputState now = stateOf(path);
        return now.bytes == before.bytes && now.modified.tv_sec == before.modified.tv_sec &&
               now.modified.tv_nsec == before.modified.tv_nsec;
    }

    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }
};

// A link planted under the first name the run will try is met by the exclusive creation: the
// run writes under the next name, leaves the link and what it points at alone, and says so.
// With every name taken the job fails and writes nothing anywhere.
TEST_F(TexkitFiles, PlantedLinksAreNeverFollowed) {
    writePicture("a.png", 16, 16);
    writeHostFile("precious.txt", "not to be written");
    fs::create_directory("out");
    fs::create_symlink("../precious.txt", "out/.a.dds.texkit-0.tmp");
    fs::create_symlink("../made-through-a-link", "out/.a.dds.texkit-1.tmp"); // dangling
    const std::string hook = "TEXKIT_TEMPORARY_NAMES=sequential";

    ProgramRun r = texkit("convert a.png -o out --quiet", hook);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "texkit: a.png: warning: out/.a.dds.texkit-0.tmp is a symbolic link that "
                     "this run did not make; not followed\n");
    EXPECT_EQ(readHostFile("precious.txt"), "not to be written");
    EXPECT_FALSE(fs::exists(fs::symlink_status("made-through-a-link")));
    EXPECT_TRUE(fs::is_symlink("out/.a.dds.texkit-0.tmp"));
    EXPECT_TRUE(fs::is_symlink("out/.a.dds.texkit-1.tmp"));
    const std::string converted = readHostFile("out/a.dds");
    ASSERT_GT(converted.size(), 128u);
    EXPECT_EQ(converted.substr(0, 4), "DDS ");

    for (int i = 2; i < 16; ++i)
        fs::create_symlink("../precious.txt", "out/.a.dds.texkit-" + std::to_string(i) + ".tmp");
    r = texkit("convert a.png -o out --force --quiet --json", hook);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "texkit: a.png: cannot make a temporary file beside out/a.dds: 16 names in "
                     "a row were taken (out/.a.dds.texkit-0.tmp is a symbolic link; not "
                     "followed)\n");
    EXPECT_EQ(readHostFile("precious.txt"), "not to be written");
    EXPECT_EQ(readHostFile("out/a.dds"), converted);
    EXPECT_FALSE(fs::exists(fs::symlink_status("made-through-a-link")));
    EXPECT_EQ(filesUnder("out").size(), 17u); // the output and the sixteen links

    // A link planted under the output's own name is replaced by the rename, not written
    // through.
    fs::create_directory("linked");
    fs::create_symlink("../precious.txt", "linked/a.dds");
    r = texkit("convert a.png -o linked --force --quiet");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::is_symlink("linked/a.dds"));
    EXPECT_EQ(readHostFile("linked/a.dds"), converted);
    EXPECT_EQ(readHostFile("precious.txt"), "not to be written");
}

// A run of the texkit with failing writes, told which call fails and where to log the calls.
struct SweepRun {
    ProgramRun run;
    std::vector<std::string> calls; // the log's lines
};

class TexkitFailingWrites : public TexkitFiles {
protected:
    static SweepRun runFailing(const std::string& arguments, long failing, const char* error) {
        std::remove("calls.log");
        SweepRun result;
        result.run = runCommand("FAIL_WRITE_NUMBER=" + std::to_string(failing) +
                                " FAIL_WRITE_ERROR=" + error + " FAIL_WRITE_LOG=calls.log " +
                                TEXKIT_FAILING_WRITES_PROGRAM + " " + arguments);
        result.calls = lines(readHostFile("calls.log"));
        std::remove("calls.log");
        return result;
    }
};

// The sync of a finished temporary fails: the job fails with its cause, nothing appears under
// the output's name, an older output stays as it was, and the temporary is gone.
TEST_F(TexkitFailingWrites, AFailedSyncLeavesNoOutputUnderItsFinalName) {
    writePicture("a.png", 16, 16);
    const std::string arguments = "convert a.png -o out --quiet --force";
    const SweepRun counting = runFailing(arguments, 0, "EIO");
    ASSERT_EQ(counting.run.status, 0) << counting.run.err;
    // The sync of the temporary: the first one after the temporary was opened.
    long syncNumber = 0;
    bool opened = false;
    for (const std::string& call : counting.calls) {
        opened = opened || call.find(" out/.a.dds.texkit-") != std::string::npos;
        if (opened && call.find(" fsync ") != std::string::npos) {
            syncNumber = std::atol(call.c_str());
            break;
        }
    }
    ASSERT_GT(syncNumber, 0) << testing::PrintToString(counting.calls);

    fs::remove_all("out");
    SweepRun failed = runFailing(arguments, syncNumber, "EIO");
    EXPECT_EQ(failed.run.status, 1);
    EXPECT_EQ(failed.run.err,
              "texkit: a.png: cannot sync out/a.dds to its disk (Input/output error)\n");
    EXPECT_TRUE(filesUnder("out").empty());

    writeHostFile("out/a.dds", "older output");
    failed = runFailing(arguments, syncNumber - 2, "EIO"); // no mkdir and its sync this time
    EXPECT_EQ(failed.run.err,
              "texkit: a.png: cannot sync out/a.dds to its disk (Input/output error)\n");
    EXPECT_EQ(filesUnder("out"), (std::map<std::string, std::string>{{"a.dds", "older output"}}));
}

// How many of the logged calls are of one kind.
long callsOf(const std::vector<std::string>& calls, const std::string& kind) {
    return std::count_if(calls.begin(), calls.end(), [&](const std::string& call) {
        return call.find(" " + kind + " ") != std::string::npos;
    });
}

// Every call that writes fails in turn, with ENOSPC, EIO and EDQUOT by turns, for DDS and PNG
// outputs, into folders to be made and over older outputs, until a run makes no more calls than
// the failing number. Each failing run names one input and its cause on one line and exits 1;
// every output is whole (the unfailed run's bytes) or, for the failed input only, absent or
// still the older output; no temporary is left and no input changes.
TEST_F(TexkitFailingWrites, EveryWriteFailingInTurnLeavesOnlyWholeOutputs) {
    writePicture("in/large.png", 150, 130); // its level 0 alone takes more than one write
    writePicture("in/small.png", 9, 7);
    const InputState large = stateOf("in/large.png");
    const InputState small = stateOf("in/small.png");
    struct Sweep {
        const char* options;
        const char* extension;
        bool overOlder; // the outputs are there from before, else their folders are made
    };
    // Two sweeps of the four, to keep the time: each kind of call is failed in both.
    const Sweep sweeps[] = {{"--format A8R8G8B8", ".dds", false}, {"--png", ".png", true}};
    const char* errors[] = {"ENOSPC", "EIO", "EDQUOT"};
    const std::map<std::string, std::string> causes = {{"ENOSPC", "No space left on device"},
                                                       {"EIO", "Input/output error"},
                                                       {"EDQUOT", "Disk quota exceeded"}};
    const std::string folder = "out/sub";
    const auto prepare = [&](const Sweep& sweep) {
        fs::remove_all("out");
        if (!sweep.overOlder)
            return;
        fs::create_directories(folder);
        for (const char* name : {"large", "small"})
            writeHostFile(folder + "/" + name + sweep.extension, "older output");
    };
    for (const Sweep& sweep : sweeps) {
        SCOPED_TRACE(std::string(sweep.options) + (sweep.overOlder ? " over older outputs" : ""));
        const std::string arguments = "convert in/large.png in/small.png -o " + folder +
                                      " -j 1 --quiet --force " + sweep.options;
        prepare(sweep);
        const SweepRun reference = runFailing(arguments, 0, "ENOSPC");
        ASSERT_EQ(reference.run.status, 0) << reference.run.err;
        const std::map<std::string, std::string> whole = filesUnder(folder);
        ASSERT_EQ(whole.size(), 2u);
        const long calls = long(reference.calls.size());
        const std::string log = testing::PrintToString(reference.calls);
        EXPECT_EQ(callsOf(reference.calls, "open"), 2) << log;
        // The large DDS file takes two writes.
        EXPECT_GE(callsOf(reference.calls, "write"), sweep.overOlder ? 2 : 3) << log;
        EXPECT_EQ(callsOf(reference.calls, "fsync"), sweep.overOlder ? 4 : 6) << log;
        EXPECT_EQ(callsOf(reference.calls, "rename"), 2) << log;
        EXPECT_EQ(callsOf(reference.calls, "mkdir"), sweep.overOlder ? 0 : 2) << log;

        int partial = 0;
        long n = 1;
        for (;; ++n) {
            prepare(sweep);
            const char* error = errors[(n - 1) % 3];
            const SweepRun r = runFailing(arguments, n, error);
            SCOPED_TRACE("call " + std::to_string(n) + " failing with " + error + ": " +
                         (n <= long(r.calls.size()) ? r.calls[size_t(n - 1)] : "none"));
            if (r.run.status == 0) {
                EXPECT_EQ(n, calls + 1);
                EXPECT_EQ(filesUnder(folder), whole);
                break;
            }
            ASSERT_LE(n, calls) << "runs kept failing past the unfailed run's calls";
            EXPECT_EQ(r.run.status, 1);
            const std::vector<std::string> said = lines(r.run.err);
            ASSERT_EQ(said.size(), 1u) << r.run.err;
            std::smatch match;
            ASSERT_TRUE(std::regex_match(
                said[0], match, std::regex("texkit: in/(large|small)\\.png: (.*) \\((.*)\\)")))
                << said[0];
            EXPECT_EQ(match[3].str(), causes.at(error)) << said[0];
            EXPECT_NE(match[2].str().find(folder), std::string::npos) << said[0];
            const std::string failedName = match[1].str() + sweep.extension;
            const std::map<std::string, std::string> left = filesUnder(folder);
            for (const auto& [name, bytes] : left) {
                const bool isWhole = whole.count(name) != 0 && whole.at(name) == bytes;
                const bool isOlder = name == failedName && bytes == "older output";
                if (!isWhole && !isOlder)
                    ++partial;
                EXPECT_TRUE(isWhole || isOlder) << name << " (" << bytes.size() << " bytes)";
            }
            for (const auto& [name, bytes] : whole)
                EXPECT_TRUE(name == failedName || left.count(name) == 1) << name << " is missing";
            EXPECT_TRUE(unchanged(large, "in/large.png"));
            EXPECT_TRUE(unchanged(small, "in/small.png"));
        }
        EXPECT_EQ(partial, 0);
        std::printf("failing writes, %s%s: %ld calls failed in turn, %ld runs, %d files left "
                    "partial\n",
                    sweep.options, sweep.overOlder ? " over older outputs" : "", calls, n, partial);
    }
}

// Where a texkit run in a child process is confined.
enum class Confinement {
    None,
    SmallFileSystem, // its outputs go to "small", a 64 KiB tmpfs mounted in its own namespace
    FileSizeLimit,   // no file it writes may pass 64 KiB (RLIMIT_FSIZE)
    Unprivileged,    // as an ordinary user, when the test runs as root
};

// The exit status of a confined run: the program's own, or one of these.
constexpr int MountRefused = 90;
constexpr int ProgramNotRun = 91;

class TexkitConfined : public TexkitFiles {
protected:
    // Runs texkit with the arguments (no shell between) in a child set up as asked; its
    // standard error is returned in *err, its standard output in *out when asked. A small
    // file system's contents are copied to "seen" before it goes.
    static int runConfined(Confinement how, const std::vector<std::string>& arguments,
                           std::string* err, std::string* out = nullptr) {
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child < 0)
            return -1;
        if (child == 0)
            _exit(confinedChild(how, arguments));
        int status = 0;
        waitpid(child, &status, 0);
        *err = readHostFile("confined-err.txt");
        if (out != nullptr)
            *out = readHostFile("confined-out.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    static int confinedChild(Confinement how, const std::vector<std::string>& arguments) {
        if (how == Confinement::SmallFileSystem &&
            (unshare(CLONE_NEWNS) != 0 ||
             mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
             mount("tmpfs", "small", "tmpfs", 0, "size=64k") != 0))
            return MountRefused;
        const pid_t program = fork();
        if (program == 0) {
            const int err = ::open("confined-err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int out = ::open("confined-out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (err < 0 || dup2(err, 2) < 0 || out < 0 || dup2(out, 1) < 0)
                _exit(ProgramNotRun);
            if (how == Confinement::FileSizeLimit) {
                const rlimit limit = {64 * 1024, 64 * 1024};
                signal(SIGXFSZ, SIG_IGN); // a write past the limit then fails with EFBIG
                if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                    _exit(ProgramNotRun);
            }
            if (how == Confinement::Unprivileged && geteuid() == 0 &&
                (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
                _exit(ProgramNotRun);
            std::vector<char*> argv = {const_cast<char*>(TEXKIT_PROGRAM)};
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(TEXKIT_PROGRAM, argv.data());
            _exit(ProgramNotRun);
        }
        int status = 0;
        if (program < 0 || waitpid(program, &status, 0) != program)
            return ProgramNotRun;
        if (how == Confinement::SmallFileSystem) {
            std::error_code copied;
            fs::copy("small", "seen", fs::copy_options::recursive, copied);
            if (copied)
                return ProgramNotRun;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : ProgramNotRun;
    }
};

// Outputs that do not fit fail with the cause the system gives, and leave nothing behind;
// those before and after them are whole. On a small tmpfs where the machine lets the test
// mount one (a root test, also in CI), and always under a file-size limit.
TEST_F(TexkitConfined, OutputsThatDoNotFitFailAndLeaveNothing) {
    writePicture("a.png", 8, 8);
    writePicture("big.png", 128, 128); // 87 KiB as A8R8G8B8 with its levels
    writePicture("c.png", 12, 8);
    const std::vector<std::string> files = {"a.png", "big.png", "c.png"};
    const auto arguments = [&](const std::string& folder) {
        std::vector<std::string> all = {"convert"};
        all.insert(all.end(), files.begin(), files.end());
        for (const char* option : {"-j", "1", "--quiet", "--format", "A8R8G8B8", "-o"})
            all.push_back(option);
        all.push_back(folder);
        return all;
    };
    std::string err;
    const ProgramRun reference =
        texkit("convert a.png big.png c.png -j 1 --quiet --format A8R8G8B8 -o reference");
    ASSERT_EQ(reference.status, 0) << reference.err;
    std::map<std::string, std::string> expected = filesUnder("reference");
    ASSERT_EQ(expected.size(), 3u);
    ASSERT_GT(expected["big.dds"].size(), 64u * 1024);
    expected.erase("big.dds");

    EXPECT_EQ(runConfined(Confinement::FileSizeLimit, arguments("limited"), &err), 1);
    EXPECT_EQ(err, "texkit: big.png: cannot write limited/big.dds (File too large)\n");
    EXPECT_EQ(filesUnder("limited"), expected);

    fs::create_directory("small");
    const int status = runConfined(Confinement::SmallFileSystem, arguments("small"), &err);
    if (status == MountRefused) {
        RecordProperty("small_file_system", "mounting a tmpfs is refused here");
        return;
    }
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "texkit: big.png: cannot write small/big.dds (No space left on device)\n");
    EXPECT_EQ(filesUnder("seen"), expected);
}

// A folder the user may not write: each job fails with the cause, and nothing in the folder
// changes. As root, whom permissions do not stop, texkit runs as the user nobody.
TEST_F(TexkitConfined, AFolderWithoutWritePermissionFailsEachJob) {
    writePicture("a.png", 8, 8);
    fs::permissions("a.png", fs::perms(0644));
    fs::permissions(".", fs::perms(0755)); // nobody must reach the inputs
    fs::create_directory("locked");
    writeHostFile("locked/a.dds", "older output");
    fs::permissions("locked", fs::perms(0555));
    std::string err;
    EXPECT_EQ(runConfined(Confinement::Unprivileged,
                          {"convert", "a.png", "-o", "locked", "--force", "--quiet"}, &err),
              1);
    EXPECT_EQ(err, "texkit: a.png: cannot make a temporary file beside locked/a.dds (Permission "
                   "denied)\n");
    EXPECT_EQ(runConfined(Confinement::Unprivileged,
                          {"convert", "a.png", "-o", "locked/sub", "--quiet"}, &err),
              1);
    EXPECT_EQ(err, "texkit: a.png: cannot make the folder locked/sub (Permission denied)\n");
    fs::permissions("locked", fs::perms(0755));
    EXPECT_EQ(filesUnder("locked"),
              (std::map<std::string, std::string>{{"a.dds", "older output"}}));
}

// Two runs with --force into one folder at once, one writing DXT1 and the other A8R8G8B8 from
// the same pictures: every output is whole, one run's bytes or the other's, and no temporary
// file is left, round after round.
TEST_F(TexkitFiles, TwoRunsIntoOneFolderAtOnceLeaveWholeOutputs) {
    constexpr int pictures = 12;
    std::string inputs;
    for (int i = 0; i < pictures; ++i) {
        const std::string name = "pics/p" + std::to_string(i) + ".png";
        writePicture(name, 40 + i, 32);
        inputs += " " + name;
    }
    const std::string dxt = "convert" + inputs + " --quiet --force --format DXT1 -j 2 -o ";
    const std::string argb = "convert" + inputs + " --quiet --force --format A8R8G8B8 -j 2 -o ";
    ASSERT_EQ(texkit(dxt + "one").status, 0);
    ASSERT_EQ(texkit(argb + "other").status, 0);
    const std::map<std::string, std::string> one = filesUnder("one");
    const std::map<std::string, std::string> other = filesUnder("other");
    ASSERT_EQ(one.size(), size_t(pictures));
    int fromOne = 0, fromOther = 0;
    for (int round = 0; round < 4; ++round) {
        const ProgramRun both =
            runCommand(std::string("(") + TEXKIT_PROGRAM + " " + dxt + "shared; echo $? >one.status) & (" +
                       TEXKIT_PROGRAM + " " + argb + "shared; echo $? >other.status) & wait");
        EXPECT_EQ(readHostFile("one.status"), "0\n") << both.err;
        EXPECT_EQ(readHostFile("other.status"), "0\n") << both.err;
        const std::map<std::string, std::string> shared = filesUnder("shared");
        EXPECT_EQ(shared.size(), size_t(pictures));
        for (const auto& [name, bytes] : shared) {
            const bool isOne = one.count(name) != 0 && one.at(name) == bytes;
            const bool isOther = other.count(name) != 0 && other.at(name) == bytes;
            EXPECT_TRUE(isOne || isOther) << "round " << round << ": " << name;
            fromOne += isOne;
            fromOther += isOther;
        }
    }
    RecordProperty("outputs_from_dxt1_run", fromOne);
    RecordProperty("outputs_from_argb_run", fromOther);
}

// The bytes a JSON string member stands for, by the writer's rule: the text itself, or with
// "<key>NotUtf8" each character taken as one byte.
std::string bytesOfMember(const test_support::JsonValue& object, const std::string& key) {
    const test_support::JsonValue* value = object.find(key);
    if (value == nullptr || value->kind != test_support::JsonValue::String)
        return "(missing)";
    const test_support::JsonValue* flag = object.find(key + "NotUtf8");
    if (flag == nullptr)
        return value->string;
    EXPECT_TRUE(flag->kind == test_support::JsonValue::Bool && flag->boolean);
    // Each character is below U+0100: one byte, or two of UTF-8 for U+0080 and up.
    std::string bytes;
    const std::string& text = value->string;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            bytes += char(lead);
        } else if ((lead == 0xC2 || lead == 0xC3) && i + 1 < text.size()) {
            bytes += char(((lead & 0x03) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F));
        } else {
            ADD_FAILURE() << key << " holds a character past U+00FF";
            return "(not bytes)";
        }
    }
    return bytes;
}

// Names with line ends, quotes, backslashes, terminal controls, UTF-8 and bytes that are not
// UTF-8: every JSON line is valid (read by a strict parser that checks UTF-8) and gives back
// the exact bytes of the input and output names; every failure is one line, with the name's
// controls and stray bytes shown escaped; the outputs carry the names as they are.
TEST_F(TexkitConfined, HostileNamesGiveValidJsonAndOneLinePerFailure) {
    struct Name {
        std::string bytes;
        bool picture; // else a file no decoder accepts
        std::string shown;
    };
    const Name names[] = {
        {"new\nline.png", true, ""},
        {"quote\"and\\back.png", true, ""},
        {"caf\xC3\xA9 \xE2\x82\xAC.png", true, ""},
        {"esc\x1B[31mred\x7F.png", false, "esc\\x1B[31mred\\x7F.png"},
        {"\xFF\xFE latin\xE9 \xC3\xA9.png", false, "\\xFF\\xFE latin\\xE9 \xC3\xA9.png"},
        {"tab\there\r\xC2\x9B.png", false, "tab\\there\\r\\xC2\\x9B.png"},
    };
    std::vector<std::string> arguments = {"convert", "-j", "1", "--quiet", "--json", "-o", "out"};
    for (const Name& name : names) {
        if (name.picture)
            writePicture(name.bytes, 8, 8);
        else
            writeHostFile(name.bytes, "not a picture");
        arguments.push_back(name.bytes);
    }
    std::string err, out;
    ASSERT_EQ(runConfined(Confinement::None, arguments, &err, &out), 1) << err;

    const std::vector<std::string> objects = lines(out);
    ASSERT_EQ(objects.size(), std::size(names)) << out;
    for (const Name& name : names) {
        SCOPED_TRACE(testing::PrintToString(name.bytes));
        const std::string stem = name.bytes.substr(0, name.bytes.size() - 4);
        bool found = false;
        for (const std::string& line : objects) {
            test_support::JsonValue object;
            std::string error;
            ASSERT_TRUE(test_support::parseJson(line, &object, &error)) << error << ": " << line;
            if (bytesOfMember(object, "input") != name.bytes)
                continue;
            found = true;
            EXPECT_EQ(bytesOfMember(object, "output"), "out/" + stem + ".dds");
            EXPECT_EQ(object.find("result")->string, name.picture ? "converted" : "failed");
            EXPECT_EQ(object.find("inputNotUtf8") != nullptr, name.bytes[0] == '\xFF');
        }
        EXPECT_TRUE(found) << out;
        if (name.picture) {
            EXPECT_EQ(readHostFile("out/" + stem + ".dds").substr(0, 4), "DDS ");
        } else {
            const std::string line =
                "texkit: " + name.shown + ": no decoder accepts this file (InvalidData)";
            const std::vector<std::string> said = lines(err);
            EXPECT_NE(std::find(said.begin(), said.end(), line), said.end()) << line << "\n"
                                                                              << err;
        }
    }
    EXPECT_EQ(lines(err).size(), 3u) << err;
}

// The escaping rules on the byte sequences that trip decoders up: every sequence the UTF-8
// grammar forbids (overlong forms, surrogates, past U+10FFFF, cut short, stray continuation
// bytes) goes the byte way, and controls of every range are escaped.
TEST(NameEscaping, JsonAndReportLinesFollowTheirRules) {
    struct Case {
        std::string bytes;
        std::string json;  // jsonString
        bool utf8;
        std::string shown; // shownText
    };
    const Case cases[] = {
        {"plain.png", "\"plain.png\"", true, "plain.png"},
        {"a\"b\\c", "\"a\\\"b\\\\c\"", true, "a\"b\\\\c"},
        {"\n\r\t\b\x01\x1F", "\"\\n\\r\\t\\u0008\\u0001\\u001f\"", true,
         "\\n\\r\\t\\x08\\x01\\x1F"},
        {"\x7F\xC2\x80\xC2\x9F\xC2\xA0", "\"\\u007f\\u0080\\u009f\xC2\xA0\"", true,
         "\\x7F\\xC2\\x80\\xC2\\x9F\xC2\xA0"},
        {"\xF0\x9F\x98\x80\xEF\xBF\xBF", "\"\xF0\x9F\x98\x80\xEF\xBF\xBF\"", true,
         "\xF0\x9F\x98\x80\xEF\xBF\xBF"},
        {"\xC0\xAF", "\"\\u00c0\\u00af\"", false, "\\xC0\\xAF"},            // overlong /
        {"\xE0\x80\xAF", "\"\\u00e0\\u0080\\u00af\"", false, "\\xE0\\x80\\xAF"}, // overlong
        {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\"", false, "\\xED\\xA0\\x80"}, // surrogate
        {"\xF4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\"", false,
         "\\xF4\\x90\\x80\\x80"}, // past U+10FFFF
        {"ab\xE2\x82", "\"ab\\u00e2\\u0082\"", false, "ab\\xE2\\x82"}, // cut short
        {"\x80\n\xC3\xA9", "\"\\u0080\\n\\u00c3\\u00a9\"", false, "\\x80\\n\xC3\xA9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(jsonString(c.bytes), c.json);
        EXPECT_EQ(isUtf8(c.bytes), c.utf8);
        EXPECT_EQ(shownText(c.bytes), c.shown);
        const std::string object = JsonObject().add("name", c.bytes).add("n", uint64_t(1)).text();
        EXPECT_EQ(object, "{\"name\":" + c.json + (c.utf8 ? "" : ",\"nameNotUtf8\":true") +
                              ",\"n\":1}");
        test_support::JsonValue read;
        std::string error;
        ASSERT_TRUE(test_support::parseJson(object, &read, &error)) << error;
        EXPECT_EQ(bytesOfMember(read, "name"), c.bytes);
    }
    // The reader is only a judge of the lines above if it refuses what is not UTF-8.
    test_support::JsonValue read;
    std::string error;
    EXPECT_FALSE(test_support::parseJson("\"\xFF\"", &read, &error));
    EXPECT_FALSE(test_support::parseJson("\"\xED\xA0\x80\"", &read, &error));
}

} // namespace
