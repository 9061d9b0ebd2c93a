// An in-memory RIP raster with its header fields, and the writer of RIP files: for the
// command-line tool's sample files, the tests and the benchmarks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tavolux {

class CRandomSource;

class CRipImage {
public:
    // A blank image; bytesPerPlaneLine is (width + 7) / 8. Sizes are clamped to >= 0.
    CRipImage(int width, int height, int planes, int xResolution, int yResolution);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Planes() const { return m_planes; }
    int BytesPerPlaneLine() const { return m_bytesPerPlaneLine; }
    int XResolution() const { return m_xResolution; }
    int YResolution() const { return m_yResolution; }

    uint8_t* PlaneLine(int line, int plane);
    const uint8_t* PlaneLine(int line, int plane) const;
    void SetPixel(int x, int line, int plane);
    bool Pixel(int x, int line, int plane) const;

    // Fills with a pattern: "gradient" (ink density rising to the right), "random", "text"
    // (block letters), "sample" (overlapping cyan, magenta and yellow discs over a black text
    // band), "blank-margins" (random content with blank bands around it). False
    // for an unknown name.
    bool Fill(const std::string& pattern, CRandomSource& random);

    // Writes the 48-byte header and the raster. False with error when the file cannot be
    // written.
    bool Write(const std::filesystem::path& path, std::string* error = nullptr) const;

private:
    void FillText();
    void FillSample();

    int m_width;
    int m_height;
    int m_planes;
    int m_xResolution;
    int m_yResolution;
    int m_bytesPerPlaneLine;
    std::vector<uint8_t> m_data;
};

}  // namespace tavolux
