// Whether a drawn file is a whole PNG: gnuplot exits 0 even when the disk
// filled up under it, leaving a picture cut short, so a chart is checked
// before it is installed.
#pragma once

// True when the file open on `fd` starts with the PNG signature and its
// chunks run, each whole, to an IEND chunk that ends the file.
bool isWholePng(int fd);
