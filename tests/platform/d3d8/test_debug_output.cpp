// With D3D8_DEBUG set, a refused call explains itself on standard error, and the runtime's
// DebugSetMute silences the explanations until it is called with 0 again.
#include "d3d8_test_support.h"

#include "platform/internal/debug_output.h"

#include <cstdlib>
#include <string>

using namespace d3d8_test;

namespace {

// The variable is read once, at the first explanation; set it before any test runs.
const bool debugRequested = [] { return setenv("D3D8_DEBUG", "1", 1) == 0; }();

class DebugOutputTest : public DeviceTest {
protected:
    std::string refuseAndListen() {
        testing::internal::CaptureStderr();
        IDirect3DTexture8* texture = nullptr;
        EXPECT_EQ(device->CreateTexture(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
                  D3DERR_INVALIDCALL);
        return testing::internal::GetCapturedStderr();
    }
};

} // namespace

TEST_F(DebugOutputTest, RefusalsAreExplainedUntilMuted) {
    ASSERT_TRUE(debugRequested);
    EXPECT_EQ(refuseAndListen(), "d3d8: a texture of 0x16x1 is empty\n");
    DebugSetMute(TRUE);
    EXPECT_EQ(refuseAndListen(), "");
    DebugSetMute(FALSE);
    EXPECT_NE(refuseAndListen(), "");

    testing::internal::CaptureStderr();
    Ref<IDirect3DTexture8> texture;
    ASSERT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out()),
              D3D_OK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "calls that succeed say nothing";
}
