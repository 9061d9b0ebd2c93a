// Memory for raster lines read from a file: not cleared (every byte is read into before use) and,
// where the system offers it, backed by large pages, so that tens of megabytes per preview do
// not cost tens of thousands of page faults.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavolux {

class CLineBuffer {
public:
    CLineBuffer() = default;
    explicit CLineBuffer(size_t bytes);
    ~CLineBuffer();
    CLineBuffer(const CLineBuffer&) = delete;
    CLineBuffer& operator=(const CLineBuffer&) = delete;

    uint8_t* Data() { return m_data; }
    size_t Size() const { return m_size; }

private:
    uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

}  // namespace tavolux
