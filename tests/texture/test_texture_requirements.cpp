// checkRequirements and createTexture on the software device under each capability profile:
// default sizes, limits, aspect, powers of two, block rounding, level counts and formats.
#include "texture/texture_loader.h"

#include "tests/platform/d3d8/d3d8_test_support.h"

#include <gtest/gtest.h>

namespace {

using d3d8_test::DeviceTest;
using d3d8_test::Ref;
using namespace platform_ext;

constexpr UINT Choose = 0xFFFFFFFFu;

struct Requirement {
    const char* name;
    uint32_t profile;
    UINT width, height, levels;
    D3DFORMAT format;
    D3DPOOL pool;
    UINT wantWidth, wantHeight, wantLevels;
    D3DFORMAT wantFormat;
};

void PrintTo(const Requirement& r, std::ostream* os) {
    *os << r.name;
}

const D3DFORMAT A8 = D3DFMT_A8R8G8B8;
const D3DPOOL Managed = D3DPOOL_MANAGED, Scratch = D3DPOOL_SCRATCH;

const Requirement requirementTable[] = {
    // name                 profile         requested                   pool     resolved
    {"DefaultSize", 0, Choose, Choose, 0, A8, Managed, 256, 256, 9, A8},
    {"WidthOnly", 0, 300, Choose, 1, A8, Managed, 300, 300, 1, A8},
    {"WidthOnlyPow2", ProfilePow2, 300, Choose, 1, A8, Managed, 512, 512, 1, A8},
    {"ZeroSizeIsOne", 0, 0, 0, 0, A8, Managed, 1, 1, 1, A8},
    {"ThreeLevelsStay", 0, 16, 16, 3, A8, Managed, 16, 16, 3, A8},
    {"TooManyLevels", 0, 16, 16, 9, A8, Managed, 16, 16, 5, A8},
    {"ZeroLevelsFullChain", 0, 16, 16, 0, A8, Managed, 16, 16, 5, A8},
    {"ChooseLevelsFullChain", 0, 16, 16, Choose, A8, Managed, 16, 16, 5, A8},
    {"GamePicture", 0, 640, 480, 0, A8, Managed, 640, 480, 10, A8},
    {"GamePicturePow2", ProfilePow2, 640, 480, 0, A8, Managed, 1024, 512, 11, A8},
    {"GamePictureSquare", ProfileSquare, 640, 480, 0, A8, Managed, 480, 480, 9, A8},
    {"SquareAndPow2", ProfileSquare | ProfilePow2, 640, 480, 0, A8, Managed, 512, 512, 10, A8},
    {"SmallClamps", ProfileSmall, 640, 480, 0, A8, Managed, 256, 256, 9, A8},
    {"SmallClampsThenRounds", ProfileSmall | ProfilePow2, 640, 200, 0, A8, Managed, 256, 256, 9,
     A8},
    {"NoMipOneLevel", ProfileNoMip, 256, 256, 0, A8, Managed, 256, 256, 1, A8},
    {"Pow2CondNonPow2", ProfilePow2Cond, 640, 480, 5, A8, Managed, 640, 480, 1, A8},
    {"Pow2CondPow2", ProfilePow2Cond, 512, 256, 0, A8, Managed, 512, 256, 10, A8},
    {"Dxt1Rounded", 0, 30, 18, 1, D3DFMT_DXT1, Managed, 32, 20, 1, D3DFMT_DXT1},
    {"Dxt5Pow2", ProfilePow2, 30, 18, 1, D3DFMT_DXT5, Managed, 32, 32, 1, D3DFMT_DXT5},
    {"Dxt1Scratch", 0, 1, 2, 0, D3DFMT_DXT1, Scratch, 4, 4, 3, D3DFMT_DXT1},
    {"ScratchDefaultFormat", 0, 8, 8, 0, D3DFMT_UNKNOWN, Scratch, 8, 8, 4, A8},
    {"ScratchKeeps24Bits", 0, 8, 8, 1, D3DFMT_R8G8B8, Scratch, 8, 8, 1, D3DFMT_R8G8B8},
    {"ScratchIgnoresDevice", ProfilePow2 | ProfileNoMip | ProfileSmall, 640, 480, 0, A8, Scratch,
     640, 480, 10, A8},
    {"ManagedReplaces24Bits", 0, 8, 8, 1, D3DFMT_R8G8B8, Managed, 8, 8, 1, D3DFMT_X8R8G8B8},
    {"ManagedReplacesPalette", 0, 8, 8, 1, D3DFMT_P8, Managed, 8, 8, 1, A8},
    {"FewFormatsReplacesA8R8G8B8", ProfileFewFormats, 8, 8, 1, A8, Managed, 8, 8, 1,
     D3DFMT_A1R5G5B5},
    {"UnknownFormatChosen", 0, 8, 8, 1, D3DFMT_UNKNOWN, Managed, 8, 8, 1, A8},
};

class Requirements : public DeviceTest, public ::testing::WithParamInterface<Requirement> {};

TEST_P(Requirements, ResolveAgainstTheProfile) {
    const Requirement& r = GetParam();
    createDevice(r.profile, 64, 64);
    UINT width = r.width, height = r.height, levels = r.levels;
    D3DFORMAT format = r.format;
    ASSERT_EQ(checkRequirements(device.get(), &width, &height, &levels, 0, &format, r.pool),
              D3D_OK);
    EXPECT_EQ(width, r.wantWidth);
    EXPECT_EQ(height, r.wantHeight);
    EXPECT_EQ(levels, r.wantLevels);
    EXPECT_EQ(format, r.wantFormat);

    // createTexture makes exactly that texture.
    Ref<IDirect3DTexture8> texture;
    ASSERT_EQ(createTexture(device.get(), r.width, r.height, r.levels, 0, r.format, r.pool,
                            texture.out()),
              D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), r.wantLevels);
    D3DSURFACE_DESC desc = {};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, r.wantWidth);
    EXPECT_EQ(desc.Height, r.wantHeight);
    EXPECT_EQ(desc.Format, r.wantFormat);
    EXPECT_EQ(desc.Pool, r.pool);
}

INSTANTIATE_TEST_SUITE_P(DeviceProfiles, Requirements, ::testing::ValuesIn(requirementTable),
                         [](const auto& info) { return std::string(info.param.name); });

class RequirementErrors : public DeviceTest {};

TEST_F(RequirementErrors, NullPointersLetTheLoaderChooseAndAreNotWritten) {
    ASSERT_EQ(
        checkRequirements(device.get(), nullptr, nullptr, nullptr, 0, nullptr, D3DPOOL_MANAGED),
        D3D_OK);
    UINT height = 40;
    UINT levels = 0;
    ASSERT_EQ(checkRequirements(device.get(), nullptr, &height, &levels, Choose, nullptr,
                                D3DPOOL_MANAGED),
              D3D_OK);
    EXPECT_EQ(height, 40u);
    EXPECT_EQ(levels, 6u); // 40 x 40
}

TEST_F(RequirementErrors, BadArgumentsAreInvalidCalls) {
    UINT width = 8;
    EXPECT_EQ(checkRequirements(nullptr, &width, nullptr, nullptr, 0, nullptr, D3DPOOL_MANAGED),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(checkRequirements(device.get(), &width, nullptr, nullptr, D3DUSAGE_SOFTWAREPROCESSING,
                                nullptr, D3DPOOL_MANAGED),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(checkRequirements(device.get(), &width, nullptr, nullptr, 0, nullptr, D3DPOOL(4)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(width, 8u) << "nothing written on failure";
    Ref<IDirect3DTexture8> texture;
    EXPECT_EQ(createTexture(nullptr, 8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out()),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(createTexture(device.get(), 8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr),
              D3DERR_INVALIDCALL);
}

TEST_F(RequirementErrors, NoCloseDeviceFormatIsNotAvailable) {
    D3DFORMAT format = D3DFMT_D24S8;
    EXPECT_EQ(
        checkRequirements(device.get(), nullptr, nullptr, nullptr, 0, &format, D3DPOOL_MANAGED),
        D3DERR_NOTAVAILABLE);
    EXPECT_EQ(format, D3DFMT_D24S8);
}

TEST_F(RequirementErrors, RoundedSizesThatOverflowAreRefused) {
    UINT width = 0xFFFFFFFEu, height = 4;
    D3DFORMAT format = D3DFMT_DXT1;
    EXPECT_EQ(
        checkRequirements(device.get(), &width, &height, nullptr, 0, &format, D3DPOOL_SCRATCH),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(width, 0xFFFFFFFEu);
}

TEST_F(RequirementErrors, DynamicUsageIsAcceptedAndPassedOn) {
    Ref<IDirect3DTexture8> texture;
    ASSERT_EQ(createTexture(device.get(), 8, 8, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8,
                            D3DPOOL_DEFAULT, texture.out()),
              D3D_OK);
    D3DSURFACE_DESC desc = {};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Usage, DWORD(D3DUSAGE_DYNAMIC));
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
}

} // namespace
