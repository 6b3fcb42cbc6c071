#pragma once
// The bridge between libjpeg's error handling and C++ exceptions.
//
// libjpeg reports a fatal error by calling error_exit, which must not return. Throwing from
// there would unwind through libjpeg's C frames, so error_exit records the message code and
// longjmps back to a setjmp in the C++ function that called into libjpeg; that function then
// throws EJPEG, and the RAII owner of the libjpeg object destroys it as the exception leaves.
// Functions that call setjmp create no objects with destructors after it.

#include <csetjmp>

// clang-format off
// jpeglib.h needs size_t and FILE first; jerror.h numbers its codes by jpeglib.h's version.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace talvex::imagestore::detail {

struct JpegErrorManager {
  jpeg_error_mgr base;  // first member: libjpeg sees only this part
  std::jmp_buf jump;
  int code = 0;
};

// Fills the manager with libjpeg's defaults, replacing the exit and the message output:
// warnings (a truncated or damaged stream, which libjpeg fills with grey) are counted but
// never printed.
inline jpeg_error_mgr* InstallJpegErrorManager(JpegErrorManager& manager) {
  jpeg_std_error(&manager.base);
  manager.base.error_exit = [](j_common_ptr info) {
    auto* self = reinterpret_cast<JpegErrorManager*>(info->err);
    self->code = info->err->msg_code;
    std::longjmp(self->jump, 1);
  };
  manager.base.emit_message = [](j_common_ptr info, int level) {
    if (level < 0) ++info->err->num_warnings;
  };
  manager.base.output_message = [](j_common_ptr) {};
  return &manager.base;
}

}  // namespace talvex::imagestore::detail
