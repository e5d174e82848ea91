// Help contents registration: the product's help file vnt95f.hlp and its contents file
// vnt95f.cnt are made part of the Windows help system by three lines appended to the Windows
// help contents file, Help\Windows.cnt in the Windows directory.
#pragma once

// Appends the three lines unless the file already names "vnt95f.cnt" (byte for byte). Returns
// 1 when the file was examined (and, when needed, the lines written in full); 0 when there is
// no such file, it is empty or cannot be read or written. Nothing is logged or shown.
int RegisterHelpContents();
