// Large-page backed, uncleared line memory.
#include "preview/LineBuffer.h"

#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace tavolux {

namespace {
constexpr size_t kLargePage = 2U * 1024U * 1024U;
}

CLineBuffer::CLineBuffer(size_t bytes) : m_size(bytes)
{
    if (bytes == 0) {
        return;
    }
    const size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    m_data = static_cast<uint8_t*>(std::aligned_alloc(kLargePage, rounded));
    if (m_data == nullptr) {
        throw std::bad_alloc();
    }
#ifdef __linux__
    madvise(m_data, rounded, MADV_HUGEPAGE);  // a hint: without large pages all still works
#endif
}

CLineBuffer::~CLineBuffer()
{
    std::free(m_data);
}

}  // namespace tavolux
