// One print task: a RIP file bound to the print settings chosen when it was added.
#pragma once

#include <cstdint>
#include <string>

namespace tavolux {

struct TaskRecord {
    int m_stateId = 187;  // resource id of the state shown: 187 ready, 188 printing, 189 suspended
    int m_planeCount = 0;
    int m_height = 0;  // image lines
    int m_bytesPerPlaneLine = 0;
    int m_printTypeId = 0;  // index into PrintTypeDisplayList / PrintTypeParamList
    int m_speed = 0;
    int m_passes = 1;          // passes per head height
    int m_maskMode = 0;        // 0 none, 1 pass masks, 2 column interleave
    int m_printTypeParam = 0;  // third value of the print type
    int m_direction = 0;       // 1: unidirectional
    int m_copies = 1;
    std::string m_name;
    std::string m_thumbnailPath;
    std::string m_filePath;
    int m_previewRef = 0;   // the preview that created the task; meaningless after a restart
    int m_resumeLine = 0;   // line at which a stopped job resumes
    uint8_t m_resume = 0;   // the next job starts at m_resumeLine
    uint8_t m_saved = 0;    // the record belongs to the saved list
    int m_xResolution = 0;  // print resolution of the print type
    int m_yResolution = 0;
    int m_fileXResolution = 0;  // resolution of the file
    int m_fileYResolution = 0;
    int m_printTypeCode = 0;  // pass-mode index: the entry of ToTalPassList for m_passes
    uint8_t m_isPrintVer34 = 0;

    bool operator==(const TaskRecord&) const = default;
};

}  // namespace tavolux
