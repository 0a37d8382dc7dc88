// A text renderer made from a font description and one line drawn with it, while the 1st, 2nd,
// ... allocation of ours fails: every such run fails with E_OUTOFMEMORY
// (creation) or a draw that reports failure, or draws the very frame of the unfailed run, and
// none leaves memory behind. Once with the font's face already open (the game's steady state),
// once in a fresh child process per run, where the face is opened and its glyphs rendered.
#include "tests/support/allocation_sweep.h"
#include "tests/support/failing_allocator.h"
#include "tests/text/text_fixture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <map>

namespace {

// drawText reports a failure as a height of 0; the sweep records it under this code.
constexpr HRESULT DrawFailed = E_FAIL;
constexpr const char* Line = "Score: 17 Temps restant: 9";

class TextAllocationSweep : public text_test::TextFixture {
protected:
    void SetUp() override {
        // fontconfig (2.14.1) crashes when one of its own allocations fails (a null string
        // list in FcConfigSubstituteWithPat), and so does FreeType (2.12.1, a null write
        // inside FT_Load_Glyph): their allocations are left alone. What they hand
        // to the platform layer, and every allocation of ours around them, is swept.
        test_support::exemptAllocationsFrom({"libfontconfig", "libfreetype"});
        createDevice(0, 320, 40);
    }
    void TearDown() override {
        test_support::exemptAllocationsFrom({});
        TextFixture::TearDown();
    }

    // Makes a renderer, draws the line inside begin ... end, releases the renderer.
    HRESULT drawLine(const LOGFONTA& font) {
        TextRenderer* r = nullptr;
        HRESULT hr = createTextRenderer(device.get(), &font, &r);
        if (FAILED(hr))
            return hr;
        hr = r->begin();
        if (SUCCEEDED(hr)) {
            RECT rect = {0, 0, 320, 40};
            const INT height = r->drawText(Line, -1, &rect, DT_CENTER, 0xFFFF0000);
            const HRESULT ended = r->end();
            hr = height == 0 ? DrawFailed : ended;
        }
        r->release();
        return hr;
    }

    // Ends the scene, presents, hashes the frame, and starts the next scene on a cleared frame.
    uint32_t frameDigest() {
        EXPECT_EQ(device->EndScene(), D3D_OK);
        const platform_ext::PresentedFrame frame = present();
        uint32_t hash = 2166136261u;
        for (uint32_t pixel : frame.pixels)
            hash = (hash ^ pixel) * 16777619u;
        clear(text_test::Background);
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        return hash;
    }

    void expectAnswered(const std::map<HRESULT, long>& codes) {
        for (const auto& [code, runs] : codes) {
            std::printf(" %08X x %ld", uint32_t(code), runs);
            EXPECT_TRUE(code == E_OUTOFMEMORY || code == DrawFailed) << std::hex << code;
        }
    }
};

TEST_F(TextAllocationSweep, WithTheFaceOpenEveryFailureIsAnsweredAndLeavesNothingBehind) {
    const LOGFONTA font = text_test::fontOfHeight(-16);
    test_support::SweptOperation draw;
    draw.run = [&] { return drawLine(font); };
    draw.inspectAndRelease = [&](HRESULT result) {
        const uint32_t digest = frameDigest();
        return test_support::RunDigest{SUCCEEDED(result) ? digest : 0u, 0};
    };
    clear(text_test::Background);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    const test_support::SweepReport report = test_support::sweepAllocationFailures(draw);
    EXPECT_EQ(device->EndScene(), D3D_OK);

    EXPECT_GT(report.allocations, 0);
    for (const std::string& fault : report.faults)
        ADD_FAILURE() << fault;
    std::printf("text draw, face open: %ld allocations;", report.allocations);
    expectAnswered(report.failedRunCodes);
    std::printf("; %ld coped\n", report.successesDespiteFailure);
}

// What one child process saw: the failing run, then an unfailed run with the same font.
struct ChildRun {
    HRESULT result = E_FAIL;
    long asked = 0;           // allocations the failing run asked for
    uint32_t digest = 0;      // of the failing run's frame
    uint32_t digestAfter = 0; // of the unfailed run's frame that follows it
    bool leaked = false;      // memory no longer reachable after both runs
};

// LeakSanitizer's check, when the program has it: the face cache grows by different amounts
// after a failed open, so a plain count of held bytes would not tell a leak.
extern "C" int __lsan_do_recoverable_leak_check() __attribute__((weak));

// Runs in a child, so that the font's face is opened afresh each time (the platform keeps
// faces for the process); the parent's state is never touched.
ChildRun inChild(long failing, const std::function<HRESULT()>& draw,
                 const std::function<uint32_t()>& digest) {
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        ChildRun run;
        test_support::failAllocationNumber(failing);
        run.result = draw();
        run.asked = test_support::stopFailingAllocations();
        run.digest = digest();
        draw();
        run.digestAfter = digest();
        run.leaked =
            __lsan_do_recoverable_leak_check != nullptr && __lsan_do_recoverable_leak_check() != 0;
        const bool written = write(channel[1], &run, sizeof(run)) == ssize_t(sizeof(run));
        _exit(written ? 0 : 1);
    }
    close(channel[1]);
    ChildRun run;
    const bool complete = read(channel[0], &run, sizeof(run)) == ssize_t(sizeof(run));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(complete && WIFEXITED(status)) << "the child of run " << failing << " died";
    return run;
}

TEST_F(TextAllocationSweep, OpeningTheFaceEveryFailureIsAnsweredAndDamagesNothing) {
    clear(text_test::Background);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    // fontconfig's configuration and the stock objects are loaded once, in the parent, with a
    // face of another size; the children open the face of this one.
    ASSERT_EQ(drawLine(text_test::fontOfHeight(-16)), D3D_OK);
    frameDigest();
    const LOGFONTA font = text_test::fontOfHeight(-13);
    const std::function<HRESULT()> draw = [&] { return drawLine(font); };
    const std::function<uint32_t()> digest = [&] { return frameDigest(); };
    const ChildRun reference = inChild(0, draw, digest);
    ASSERT_EQ(reference.result, D3D_OK);
    ASSERT_EQ(reference.digest, reference.digestAfter);
    ASSERT_FALSE(reference.leaked);

    std::map<HRESULT, long> codes;
    long coped = 0;
    for (long n = 1;; ++n) {
        const ChildRun run = inChild(n, draw, digest);
        if (run.asked < n) {
            EXPECT_EQ(run.result, D3D_OK);
            EXPECT_EQ(run.digest, reference.digest);
            break;
        }
        if (FAILED(run.result))
            ++codes[run.result];
        else if (run.digest == reference.digest)
            ++coped;
        else
            ADD_FAILURE() << "allocation " << n << ": a success that drew another frame";
        EXPECT_EQ(run.digestAfter, reference.digest)
            << "allocation " << n << ": the next unfailed draw is damaged";
        EXPECT_FALSE(run.leaked) << "allocation " << n << ": memory left behind";
        if (HasFailure())
            break;
    }
    EXPECT_EQ(device->EndScene(), D3D_OK);
    std::printf("text draw, face opened: %ld allocations;", reference.asked);
    expectAnswered(codes);
    std::printf("; %ld coped\n", coped);
}

} // namespace
