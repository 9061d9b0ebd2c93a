// Recording the writes of a transport.
#include "device/RecordingTransport.h"

namespace tavolux {

CRecordingTransport::CRecordingTransport(std::unique_ptr<ITransport> inner)
    : m_inner(std::move(inner))
{
}

TransportError CRecordingTransport::BulkWrite(uint8_t endpoint, const uint8_t* data, int length,
                                              int timeoutMs, int& transferred)
{
    const TransportError e = m_inner->BulkWrite(endpoint, data, length, timeoutMs, transferred);
    if (transferred > 0 && transferred <= length) {
        std::lock_guard lock(m_mutex);
        m_writes.push_back({endpoint, std::vector<uint8_t>(data, data + transferred)});
    }
    return e;
}

std::vector<CRecordingTransport::Write> CRecordingTransport::Writes() const
{
    std::lock_guard lock(m_mutex);
    return m_writes;
}

void CRecordingTransport::Clear()
{
    std::lock_guard lock(m_mutex);
    m_writes.clear();
}

}  // namespace tavolux
