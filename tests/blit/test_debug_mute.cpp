// The debug-mute bracket silences the device's explanations of refused calls while it lives.
#include "blit/debug_mute.h"
#include "blit_device_fixture.h"

#include <cstdlib>

namespace {

// The device reads D3D8_DEBUG once, on its first explanation: ask for them before any test.
const bool explanationsRequested = setenv("D3D8_DEBUG", "1", 1) == 0;

class DebugMuteTest : public BlitDeviceTest {
protected:
    // Output of a refused CopyRects (a surface onto itself).
    std::string refusalOutput() {
        ComRef<IDirect3DSurface8> surface = imageSurface(4, 4, D3DFMT_A8R8G8B8);
        testing::internal::CaptureStderr();
        EXPECT_EQ(device->CopyRects(surface.get(), nullptr, 0, surface.get(), nullptr),
                  D3DERR_INVALIDCALL);
        return testing::internal::GetCapturedStderr();
    }
};

TEST_F(DebugMuteTest, SilencesRefusalsOnlyInsideTheBracket) {
    ASSERT_TRUE(explanationsRequested);
    EXPECT_NE(refusalOutput().find("d3d8: "), std::string::npos);
    {
        DebugMute mute;
        EXPECT_EQ(refusalOutput(), "");
        DebugMute nested;
        EXPECT_EQ(refusalOutput(), "");
    }
    EXPECT_NE(refusalOutput().find("d3d8: "), std::string::npos);
}

} // namespace
