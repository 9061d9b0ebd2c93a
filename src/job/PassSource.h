// Where a print job's passes come from: the passes cut out of a RIP file, or passes drawn by a
// test chart. The job's threads, buffers, start protocol and stop handling are the same for
// both; only the producer's source of nozzle words and descriptors differs.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/PassDescriptor.h"
#include "print/PassGenerator.h"

namespace tavolux {

class CPassSource {
public:
    virtual ~CPassSource() = default;

    // Prepares the job; false with ErrorText() when it cannot be printed.
    virtual bool Setup(const PassTask& task) = 0;
    virtual std::string ErrorText() const = 0;
    // The words of the largest pass: the size of each transfer buffer.
    virtual int64_t MaxTransferWords() const = 0;
    // Masks or other tables built once Setup succeeded; false when they are wrong.
    virtual bool BuildMasks() = 0;
    // Called once after BuildMasks, before the first pass.
    virtual void Prepare() = 0;
    virtual bool Done() const = 0;
    // Builds the next pass into transfer and fills descriptor, on the job's producer thread;
    // never blocks on the printer (see CPassGenerator::BuildNextPass).
    virtual PassOutcome BuildNextPass(std::span<uint16_t> transfer, PassDescriptor& d) = 0;
    virtual int TotalPasses() const = 0;
    // Image lines fed by the passes built so far.
    virtual int PrintedLines() const = 0;
    // Lines of the whole image (the job set-up's line count, the limit of a resume line).
    virtual int ImageHeight() const = 0;
    // Lines under the head that a resumed job prints again, because they may be only partly
    // printed when the job stopped.
    virtual int ResumeOverlapLines() const = 0;
    virtual int CopyGap() const = 0;
    // The channels of the pass just built (debug snapshots).
    virtual const std::vector<CHeadChannel>& Channels() const = 0;
};

// The passes of a RIP file.
class CRipPassSource final : public CPassSource {
public:
    explicit CRipPassSource(CPassGenerator& generator) : m_generator(generator) {}

    bool Setup(const PassTask& task) override
    {
        m_passes = task.passes;
        return m_generator.Setup(task);
    }
    std::string ErrorText() const override { return m_generator.ErrorText(); }
    int64_t MaxTransferWords() const override { return m_generator.MaxTransferWords(); }
    bool BuildMasks() override { return m_generator.BuildMasks(); }
    void Prepare() override { m_generator.Prepare(); }
    bool Done() const override { return m_generator.Done(); }
    PassOutcome BuildNextPass(std::span<uint16_t> transfer, PassDescriptor& d) override
    {
        return m_generator.BuildNextPass(transfer, d);
    }
    int TotalPasses() const override { return m_generator.TotalPasses(); }
    int PrintedLines() const override { return m_generator.PrintedLines(); }
    int ImageHeight() const override { return m_generator.Reader().Height(); }
    int ResumeOverlapLines() const override
    {
        if (m_generator.UseMasks() || m_passes > 1 || m_generator.Interlace() > 1) {
            return m_generator.HeadLines() * m_generator.Interlace();
        }
        return 0;
    }
    int CopyGap() const override { return m_generator.CopyGap(); }
    const std::vector<CHeadChannel>& Channels() const override { return m_generator.Channels(); }

private:
    CPassGenerator& m_generator;
    int m_passes = 1;
};

}  // namespace tavolux
