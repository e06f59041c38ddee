// The C++ library's file streams (std::cout included) ask msvcrt.dll for
// _fstat64, which that library exports only since Windows XP. A program
// linked with this file finds it here instead, on top of _fstati64, which
// msvcrt.dll of Windows 98 and NT 4.0 exports: the same fields, with 32-bit
// times.
#include <sys/stat.h>

namespace {

int __cdecl FileStatus64(int descriptor, struct _stat64* status) {
  struct _stati64 older {};
  if (_fstati64(descriptor, &older) != 0) return -1;
  *status = {};
  status->st_dev = older.st_dev;
  status->st_ino = older.st_ino;
  status->st_mode = older.st_mode;
  status->st_nlink = older.st_nlink;
  status->st_uid = older.st_uid;
  status->st_gid = older.st_gid;
  status->st_rdev = older.st_rdev;
  status->st_size = older.st_size;
  status->st_atime = older.st_atime;
  status->st_mtime = older.st_mtime;
  status->st_ctime = older.st_ctime;
  return 0;
}

}  // namespace

// The entry that a call through the import table reads; the linker takes it
// from here before it looks in the import library.
extern "C" int(__cdecl* _imp___fstat64)(int, struct _stat64*);
int(__cdecl* _imp___fstat64)(int, struct _stat64*) = FileStatus64;
