// A stand-in for the product's optional library insmac32.dll, built as host shared objects: each
// build exports the entry points its definitions name, each returning the value given.
#include <cstdint>

extern "C" {
#ifdef DO_NOT_REBOOT
__attribute__((visibility("default"))) int32_t do_not_reboot(int32_t) { return DO_NOT_REBOOT; }
#endif
#ifdef INSTALL_VNTMAC
__attribute__((visibility("default"))) int32_t install_vntmac(void*) { return INSTALL_VNTMAC; }
#endif
#ifdef CHECK_REBOOT_FLAG
__attribute__((visibility("default"))) int32_t check_reboot_flag() { return CHECK_REBOOT_FLAG; }
#endif
// A library must export something to be one; this name is none of the three entry points.
__attribute__((visibility("default"))) int32_t product_library_version() { return 1; }
}
