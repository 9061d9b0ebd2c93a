// Converts media steps in raster lines into feed motor pulses, carrying the fraction from one
// conversion to the next so that rounding errors do not add up over a job.
#pragma once

namespace tavolux {

class CPrinterConfig;

class CFeedConverter {
public:
    // printType selects the step calibration entry; yResolution is the job's vertical dpi.
    CFeedConverter(const CPrinterConfig& config, int printType, int yResolution);

    // Pulses for `lines` lines (0 when below one pulse); keeps the fraction for the next call.
    int ToPulses(int lines);
    double Carry() const { return m_carry; }

private:
    double m_stepPass = 0.0;       // StepPass entry, in printer resolution lines
    double m_stepPassMicro = 0.0;  // StepPassMicro entry, in 0.05-pulse units
    double m_realResolution = 0.0;
    double m_pulse = 0.0;  // millimetres per feed pulse
    int m_yResolution = 0;
    double m_carry = 0.0;
};

}  // namespace tavolux
