// The printer's device object: builds every command packet, sends pass headers and raster,
// and turns each reply into a status code and the values of the status block.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "device/DeviceUSB.h"
#include "device/PassDescriptor.h"

namespace tavolux {

// The job's parameters, set by the print pipeline just before SendJobSetup.
struct JobParameters {
    int32_t Unidirectional = 0;  // 1: the job prints in one direction only
    int32_t FireDivisor = 0;     // the job's horizontal resolution; must not be 0
    uint8_t FlashByte = 0;       // low byte of FlashFrequency
    uint8_t JobByte88 = 0;       // carriage speed value
    uint8_t JobByte89 = 4;
    uint8_t FlashAlternationByte = 0;  // kept for the print pipeline, not sent here
    uint8_t PurgeFrequencyByte = 0;
    int32_t PurgeAlternation = 0;
    int32_t JobWord2 = 0;
};

class CKtUSB final : public CDeviceUSB {
public:
    static constexpr int kCalibrationBufferSize = 510;
    // Fills the buffer with the calibration block; returns its length, or -1 when it does not
    // fit (nothing is sent then).
    using CalibrationBuilder = std::function<int(std::array<uint8_t, kCalibrationBufferSize>&)>;
    // Takes the calibration block the printer returned (parses it and saves the configuration).
    using CalibrationReceiver = std::function<void(const uint8_t* block, int length)>;

    // Reads the three time-outs from config once; the rest of config is read when used.
    CKtUSB(const CPrinterConfig& config, std::unique_ptr<ITransport> transport);

    // Builds the packet from the operation's row. Results: 1 after a one-byte command, 0 after
    // a command with an argument or for an unknown operation or a block (nothing sent), -1 when
    // a write failed or an operation that needs its argument was given -1. A failing write
    // stops the operation at once.
    int SendCommand(int operation, int32_t argument) override;
    // The block operations: the code followed by the data. Bytes written, or -1.
    int SendBlock(int operation, const uint8_t* data, int length) override;
    // Five packets: fire divisor, flash byte, direction, the two job bytes. 1, or -1.
    int SendJobSetup() override;
    // Four packets of the pass (null: the current pass). 1, or -1.
    int SendPassHeader(const PassDescriptor* pass) override;
    // The pass offset value (-1: word 3 of the current pass). 4, or -1.
    int SendPassValue(int32_t value) override;
    int SendPassOffset(const PassDescriptor* pass) override;  // 4, or -1
    int SendReturnMove(const PassDescriptor* pass) override;  // 4, or -1
    // Raster on the data endpoint with the job's data time-out. Bytes written, or -1.
    int SendData(const uint8_t* data, int length) override;
    // One status request and reply read; returns the status code (1001 when the link is down).
    int ReadReply(PrinterStatusBlock& block) override;

    void SetJobParameters(const JobParameters& job);
    JobParameters GetJobParameters() const;
    void SetCurrentPass(const PassDescriptor& pass);
    PassDescriptor CurrentPass() const;
    void SetCalibrationBuilder(CalibrationBuilder builder);
    void SetCalibrationReceiver(CalibrationReceiver receiver);
    // Sees every reply of at least one byte as it was read (monitoring), on the poll thread.
    void SetReplyObserver(std::function<void(const uint8_t* reply, int length)> observer);

    int CommandTimeoutMs() const { return m_commandTimeout; }
    int DataTimeoutUnbidiMs() const { return m_dataTimeoutUnbidi; }
    int DataTimeoutBidiMs() const { return m_dataTimeoutBidi; }

    // The byte of RequestCalibration: 2 x (speeds x resolutions x heads + pass counts), low 8 bits.
    uint8_t CalibrationRequestByte() const;

private:
    bool Send(const uint8_t* packet, int length);  // true when the whole packet went out
    bool SendU8(uint8_t code, int32_t value);
    bool SendU16(uint8_t code, int32_t value);
    bool SendU24(uint8_t code, int32_t value);
    int SendStoreCalibration(uint8_t code);
    // PassControlE1's byte when white prints as a separate pass, else SetPassOffset's.
    uint8_t PassValueCode() const;
    int DecodeReply(const uint8_t* reply, int length, PrinterStatusBlock& block);

    int m_commandTimeout;
    int m_dataTimeoutUnbidi;
    int m_dataTimeoutBidi;

    mutable std::mutex m_jobMutex;  // guards m_job, m_currentPass and the two hooks
    JobParameters m_job;
    PassDescriptor m_currentPass;
    CalibrationBuilder m_calibrationBuilder;
    CalibrationReceiver m_calibrationReceiver;
    std::function<void(const uint8_t*, int)> m_replyObserver;
    // Keeps the packets of one multi-packet operation together on the command endpoint.
    std::mutex m_sequenceMutex;
    std::array<uint8_t, 512> m_replyBuffer{};  // used by the poll thread only
};

}  // namespace tavolux
