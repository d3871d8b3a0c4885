// ImageBench IN OUT WIDTH [RUNS]: times the attachment conversion of one
// picture (load, rescale to WIDTH, save) in this process and prints the
// best of RUNS runs in milliseconds, after one untimed run. scripts/bench-images compares it with
// ImageMagick.
#include "public/tooling/ImageTooling.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: ImageBench IN OUT WIDTH [RUNS]\n");
        return 64;
    }
    const int width = std::atoi(argv[3]);
    const int runs = argc > 4 ? std::atoi(argv[4]) : 3;
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    double best = 1e30;
    email32::tooling::PictureSummary saved;
    // One untimed run first: it loads the imaging component's libraries.
    if (email32::tooling::ConvertPictureFile(argv[1], argv[2], width, &saved) != email32::tooling::PictureStatus::Ok) {
        std::fprintf(stderr, "ImageBench: conversion failed\n");
        return 1;
    }
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start, end;
        ::QueryPerformanceCounter(&start);
        const auto status = email32::tooling::ConvertPictureFile(argv[1], argv[2], width, &saved);
        ::QueryPerformanceCounter(&end);
        if (status != email32::tooling::PictureStatus::Ok) {
            std::fprintf(stderr, "ImageBench: conversion failed (%d)\n", static_cast<int>(status));
            return 1;
        }
        const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
        if (ms < best) best = ms;
    }
    std::printf("%.1f %dx%d\n", best, saved.width, saved.height);
    return 0;
}
