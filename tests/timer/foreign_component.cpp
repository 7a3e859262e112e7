// Another maker's component library, without symbol versions, whose registration fails with a
// code of its own that has the shape of Tickwell's registry errors.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t DllRegisterServer() {
    return static_cast<int32_t>(0x80FF0002u);
}
