#!/bin/bash
# Prints which build of SETUP.EXE the Wine suite runs on this machine: "win32" (the shipped
# i686 build, under 32-bit Wine) where the kernel runs 32-bit programs, else "win64" (the x86-64
# build of the same sources, under 64-bit Wine). VNT_WINE_X64=1 forces "win64" anywhere, so
# that both paths can be tried on a machine that runs both.
if [[ "${VNT_WINE_X64:-0}" != 1 ]] && /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo win32
else
  echo win64
fi
