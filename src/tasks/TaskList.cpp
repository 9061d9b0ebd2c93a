// The task list model: records, row texts, thumbnails and Tasks.dat.
#include "tasks/TaskList.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <system_error>
#include <utility>

#include "config/PrinterConfig.h"
#include "platform/NumberText.h"
#include "platform/RandomSource.h"
#include "platform/UiFacade.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "platform/BmpFile.h"
#include "platform/FileLock.h"
#include "tasks/TaskFile.h"
#include "tasks/ThumbnailImage.h"
#include "tasks/ThumbnailName.h"

namespace tavolux {

namespace {

std::string ListEntry(const std::vector<std::string>& list, int index)
{
    return index >= 0 && static_cast<size_t>(index) < list.size() ? list[static_cast<size_t>(index)]
                                                                  : std::string();
}

std::string Pair(int a, int b)
{
    return std::to_string(a) + " * " + std::to_string(b);
}

void ShowPathTooLong(const std::string& path)
{
    GetUi().ShowMessage(LoadResString(ids::kTaskPathTooLong) + " " + path, MessageIcon::Warning);
}

// Reads Tasks.dat, at most as many bytes as a list of kMaxTasks holds: a file grown to
// gigabytes by damage must not take the memory with it (its first records still load).
FileReadResult ReadTasksFile(const std::filesystem::path& path, std::string& bytes)
{
    constexpr size_t kMaxTasks = 100000;
    constexpr size_t kMaxBytes = 4 + kMaxTasks * kTaskRecordSize;
    return ReadRegularFile(path, bytes, kMaxBytes, true);
}

void ShowFileMessage(int id, const std::filesystem::path& path)
{
    GetUi().ShowMessage(LoadResString(id) + " " + path.string(), MessageIcon::Error);
}

}  // namespace

PrintTypeChoice DerivePrintType(const CPrinterConfig& config, int printTypeId)
{
    const CPrinterParams& p = config.params;
    const CParamLists& l = config.lists;
    int r = p.Resolution;
    int a = p.PassID;
    int b = 0;
    if (!config.ParsePrintType(printTypeId, r, a, b)) {
        // An incomplete entry keeps what it names and takes the rest from the settings.
        b = 0;
    }
    PrintTypeChoice choice;
    if (r >= 0 && static_cast<size_t>(r) < l.ResolutionList.size()) {
        auto [x, y] = SplitResolution(l.ResolutionList[static_cast<size_t>(r)]);
        choice.xResolution = x;
        choice.yResolution = y;
    } else {
        choice.xResolution = p.ResolutionX;
        choice.yResolution = p.ResolutionY;
    }
    choice.passText = ListEntry(l.PassList, a);
    const int passes = ParseLeadingInt(choice.passText);
    choice.passes = passes >= 1 ? passes : 1;
    if (choice.passText.empty()) {
        choice.passText = std::to_string(choice.passes);
    }
    // The step corrections are kept per entry of ToTalPassList: find the one of this count.
    choice.printTypeCode = 0;
    for (size_t i = 0; i < l.ToTalPassList.size(); ++i) {
        if (ParseLeadingInt(l.ToTalPassList[i]) == choice.passes) {
            choice.printTypeCode = static_cast<int>(i);
            break;
        }
    }
    // Several passes share the pixels through the pass masks; a single pass needs none.
    choice.maskMode = choice.passes >= 2 ? 1 : 0;
    choice.printTypeParam = b;
    return choice;
}

CTaskList::CTaskList(const CPrinterConfig& config, std::filesystem::path worksDir)
    : m_config(config), m_worksDir(std::move(worksDir))
{
    std::error_code ec;
    std::filesystem::create_directories(m_worksDir, ec);  // a failure shows when saving
}

void CTaskList::SetObserver(ITaskListObserver* observer)
{
    m_observer.store(observer);
}

void CTaskList::Notify(void (ITaskListObserver::*what)(int), int row)
{
    GetUi().RunOnUiThread([this, what, row] {
        if (ITaskListObserver* observer = m_observer.load()) {
            (observer->*what)(row);
        }
    });
}

TaskRowTexts CTaskList::BuildRow(const TaskRecord& record, const PrintTypeChoice& type) const
{
    const CPrinterParams& p = m_config.params;
    const CParamLists& l = m_config.lists;
    TaskRowTexts row;
    row[kColName] = TaskFileName(record.m_filePath);
    row[kColState] = LoadResString(record.m_stateId);
    row[kColPlanes] = std::to_string(record.m_planeCount);
    int widthMm = 0;
    if (record.m_xResolution > 0) {
        widthMm = static_cast<int>(static_cast<double>(record.m_bytesPerPlaneLine) * 8.0 /
                                   record.m_xResolution * 25.4);
    }
    int heightMm = 0;
    if (p.PrinterResolution > 0) {
        // Interlace: the print resolution in whole multiples of the nozzle resolution, rounded.
        const int k = static_cast<int>(
            std::floor(static_cast<double>(record.m_yResolution) / p.PrinterResolution + 0.5));
        const double rowsPerInch = k * p.RealPrinterResolution;
        if (rowsPerInch > 0.0) {
            heightMm = static_cast<int>(record.m_height / rowsPerInch * 25.4);
        }
    }
    row[kColSize] = Pair(widthMm, heightMm);
    row[kColFileRes] = Pair(record.m_fileXResolution, record.m_fileYResolution);
    row[kColPrintType] = ListEntry(l.PrintTypeDisplayList, record.m_printTypeId);
    row[kColSpeed] = ListEntry(l.SpeedDisplayList, record.m_speed);
    row[kColDirection] = ListEntry(l.DirectionList, record.m_direction);
    row[kColPasses] =
        type.passes == record.m_passes ? type.passText : std::to_string(record.m_passes);
    row[kColCopies] = std::to_string(record.m_copies);
    return row;
}

std::string CTaskList::NewThumbnailPath(const std::string& filePath) const
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    const int stamp = static_cast<int>(seconds % 1000000000);
    const int count = TaskCount() + 1;
    std::filesystem::path path;
    // The time and the list position alone repeat after a restart; the random number keeps
    // names apart. The name is taken by creating the file exclusively, so that another program
    // adding a task at the same moment can never pick it too.
    constexpr int kAttempts = 1000;
    for (int i = 0; i < kAttempts; ++i) {
        path = m_worksDir / ThumbnailFileName(filePath, stamp, count, GetRandomSource().Rand());
        if (std::FILE* f = std::fopen(path.string().c_str(), "wbx")) {
            std::fclose(f);
            break;
        }
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) {
            break;  // the folder cannot take files: the write of the picture says why
        }
    }
    return path.string();
}

int CTaskList::AddTask(const std::string& filePath, const RipHeader& header,
                       const DibImage& preview, int previewRef)
{
    if (!FitsTaskField(filePath, kTaskPathField)) {
        ShowPathTooLong(filePath);
        return -1;
    }
    std::string thumbnail;
    if (!preview.Empty()) {
        thumbnail = NewThumbnailPath(filePath);
        if (!FitsTaskField(thumbnail, kTaskPathField)) {
            ShowPathTooLong(thumbnail);
            return -1;
        }
    }

    const CPrinterParams& p = m_config.params;
    TaskRecord record;
    record.m_stateId = ids::kTaskReady;
    record.m_planeCount = header.PlaneCount();
    record.m_height = header.Height();
    record.m_bytesPerPlaneLine = header.BytesPerPlaneLine();
    record.m_fileXResolution = header.XResolution();
    record.m_fileYResolution = header.YResolution();
    record.m_printTypeId = p.PrintTypeID;
    const PrintTypeChoice type = DerivePrintType(m_config, record.m_printTypeId);
    record.m_xResolution = type.xResolution;
    record.m_yResolution = type.yResolution;
    record.m_passes = type.passes;
    record.m_printTypeCode = type.printTypeCode;
    record.m_maskMode = type.maskMode;
    record.m_printTypeParam = type.printTypeParam;
    record.m_speed = p.Speed;
    record.m_direction = p.Direction;
    record.m_copies = 1;
    record.m_resumeLine = 0;
    record.m_previewRef = previewRef;
    record.m_filePath = filePath;

    std::shared_ptr<const DibImage> image;
    if (!thumbnail.empty()) {
        std::string error;
        DibImage picture = BoundedThumbnail(preview);
        if (WriteBmpFile(thumbnail, picture, &error)) {
            record.m_thumbnailPath = thumbnail;
            image = std::make_shared<const DibImage>(std::move(picture));
        } else {
            std::error_code ec;
            std::filesystem::remove(thumbnail, ec);  // the name reserved for it
            // The task stays usable without its picture; the operator learns why it is missing.
            GetUi().ShowMessage(error, MessageIcon::Warning);
        }
    }

    Entry entry{record, BuildRow(record, type), std::move(image)};
    int index = 0;
    {
        std::lock_guard lock(m_mutex);
        m_entries.push_back(std::move(entry));
        index = static_cast<int>(m_entries.size()) - 1;
        m_selected = index;
        Renumber();
    }
    Notify(&ITaskListObserver::OnRowInserted, index);
    Notify(&ITaskListObserver::OnSelectionChanged, index);
    return index;
}

void CTaskList::Renumber()
{
    for (size_t i = 0; i < m_entries.size(); ++i) {
        m_entries[i].row[kColNumber] = std::to_string(i + 1);
    }
}

int CTaskList::GetSelectedTask() const
{
    std::lock_guard lock(m_mutex);
    return m_selected;
}

void CTaskList::SelectTask(int index)
{
    {
        std::lock_guard lock(m_mutex);
        m_selected = Row(index) != nullptr ? index : -1;
        index = m_selected;
    }
    Notify(&ITaskListObserver::OnSelectionChanged, index);
}

bool CTaskList::SaveTasks()
{
    {
        std::lock_guard lock(m_mutex);
        if (Entry* selected = Row(m_selected)) {
            selected->record.m_saved = 1;
        }
    }
    return WriteSaved();
}

bool CTaskList::SaveAllTasks()
{
    {
        std::lock_guard lock(m_mutex);
        for (Entry& entry : m_entries) {
            entry.record.m_saved = 1;
        }
    }
    return WriteSaved();
}

bool CTaskList::WriteSaved()
{
    // Collected and written under one lock: two writers must not share the temporary file, and
    // the later state must not be overwritten by an earlier one.
    std::lock_guard saveLock(m_saveMutex);
    const std::filesystem::path path = TasksFilePath();
    std::error_code ec;
    std::filesystem::create_directories(m_worksDir, ec);
    // Other programs write the same file: hold its lock from reading it to the rename.
    CFileLock fileLock(path);
    if (!fileLock.Locked()) {
        ShowFileMessage(fileLock.TimedOut() ? ids::kFileBusy : ids::kSaveTasksError, path);
        return false;
    }
    std::string bytes;
    std::vector<TaskRecord> disk;
    switch (ReadTasksFile(path, bytes)) {
        case FileReadResult::Ok:
            disk = DecodeTasksFile(bytes).records;  // a damaged tail is dropped by this write
            break;
        case FileReadResult::Missing:
            break;
        case FileReadResult::NotRegular:
            ShowFileMessage(ids::kNotRegularFile, path);
            return false;
        case FileReadResult::TooLarge:
        case FileReadResult::Failed:
            ShowFileMessage(ids::kSaveTasksError, path);
            return false;
    }
    std::vector<TaskRecord> saved;
    std::set<std::string> known;
    std::set<std::string> removed;
    {
        std::lock_guard lock(m_mutex);
        for (const Entry& entry : m_entries) {
            if (entry.record.m_saved != 0) {
                saved.push_back(entry.record);
            }
        }
        known = m_known;
        removed = m_removed;
    }
    const std::vector<TaskRecord> merged = MergeTasks(disk, known, removed, saved);
    // The count is that of the records written, so the file can never announce more.
    std::string error;
    if (!EncodeTasksFile(merged, bytes)) {
        GetUi().ShowMessage(LoadResString(ids::kSaveTasksError), MessageIcon::Error);
        return false;
    }
    RemoveStaleTemporaries(ResolveWriteTarget(path), std::chrono::seconds(0));
    if (!AtomicWriteFile(path, bytes, &error, m_crashStep)) {
        GetUi().ShowMessage(LoadResString(ids::kSaveTasksError), MessageIcon::Error);
        return false;
    }
    const std::vector<std::string> keys = TaskKeys(merged);
    std::vector<std::string> thumbnails;
    {
        std::lock_guard lock(m_mutex);
        m_known = std::set<std::string>(keys.begin(), keys.end());
        for (const std::string& key : removed) {
            m_removed.erase(key);
        }
        thumbnails.swap(m_thumbnailsToRemove);
    }
    // Only now does no saved list name these pictures any more.
    for (const std::string& thumbnail : thumbnails) {
        if (IsOwnThumbnail(thumbnail)) {
            std::filesystem::remove(thumbnail, ec);
        }
    }
    return true;
}

bool CTaskList::LoadTasks()
{
    const std::filesystem::path path = TasksFilePath();
    std::string bytes;
    DecodedTasks decoded;
    switch (ReadTasksFile(path, bytes)) {
        case FileReadResult::Ok:
            decoded = DecodeTasksFile(bytes);
            break;
        case FileReadResult::Missing:
            return true;
        case FileReadResult::NotRegular:
            ShowFileMessage(ids::kNotRegularFile, path);
            return false;
        case FileReadResult::TooLarge:
        case FileReadResult::Failed:
            decoded.damaged = true;
            break;
    }
    std::vector<Entry> loaded;
    loaded.reserve(decoded.records.size());
    for (TaskRecord& record : decoded.records) {
        const PrintTypeChoice type = DerivePrintType(m_config, record.m_printTypeId);
        record.m_xResolution = type.xResolution;
        record.m_yResolution = type.yResolution;
        // The resume flag is not kept in the file; the suspended state says a print stopped
        // part-way, and its next print goes on from the resume line.
        record.m_resume = record.m_stateId == ids::kTaskSuspended ? 1 : 0;
        std::shared_ptr<const DibImage> image;
        if (!record.m_thumbnailPath.empty()) {
            DibImage picture;
            if (LoadBmpFile(record.m_thumbnailPath, picture)) {
                image = std::make_shared<const DibImage>(std::move(picture));
            }
        }
        loaded.push_back(Entry{record, BuildRow(record, type), std::move(image)});
    }
    const std::vector<std::string> keys = TaskKeys(decoded.records);
    int first = 0;
    {
        std::lock_guard lock(m_mutex);
        first = static_cast<int>(m_entries.size());
        std::move(loaded.begin(), loaded.end(), std::back_inserter(m_entries));
        Renumber();  // once for the whole file: per record it would cost the square
        m_known.insert(keys.begin(), keys.end());
    }
    for (size_t i = 0; i < decoded.records.size(); ++i) {
        Notify(&ITaskListObserver::OnRowInserted, first + static_cast<int>(i));
    }
    if (decoded.damaged) {
        GetUi().ShowMessage(LoadResString(ids::kLoadTasksError), MessageIcon::Warning);
        return false;
    }
    return true;
}

std::vector<std::string> CTaskList::EntryKeys() const
{
    std::vector<TaskRecord> records;
    records.reserve(m_entries.size());
    for (const Entry& entry : m_entries) {
        records.push_back(entry.record);
    }
    return TaskKeys(records);
}

void CTaskList::RememberRemoval(const Entry& entry, const std::string& key)
{
    if (entry.record.m_saved != 0) {
        m_removed.insert(key);
    }
    if (!entry.record.m_thumbnailPath.empty()) {
        m_thumbnailsToRemove.push_back(entry.record.m_thumbnailPath);
    }
}

bool CTaskList::IsOwnThumbnail(const std::string& path) const
{
    // Only pictures this list wrote are deleted: a damaged or edited Tasks.dat must not make
    // deleting a task remove some other file.
    if (path.empty()) {
        return false;
    }
    const std::filesystem::path p(path);
    std::error_code ec;
    return p.extension() == ".BMP" &&
           std::filesystem::equivalent(p.parent_path(), m_worksDir, ec) && !ec;
}

const CTaskList::Entry* CTaskList::Row(int index) const
{
    return index >= 0 && static_cast<size_t>(index) < m_entries.size()
               ? &m_entries[static_cast<size_t>(index)]
               : nullptr;
}

CTaskList::Entry* CTaskList::Row(int index)
{
    return const_cast<Entry*>(std::as_const(*this).Row(index));
}

bool CTaskList::DeleteTask(int index)
{
    {
        std::lock_guard lock(m_mutex);
        const Entry* entry = Row(index);
        if (entry == nullptr) {
            return false;
        }
        RememberRemoval(*entry, EntryKeys()[static_cast<size_t>(index)]);
        m_entries.erase(m_entries.begin() + index);
        if (m_selected == index) {
            m_selected = -1;
        } else if (m_selected > index) {
            --m_selected;
        }
        Renumber();
    }
    Notify(&ITaskListObserver::OnRowRemoved, index);
    return SaveTasks();
}

bool CTaskList::DeleteAllTasks()
{
    size_t count = 0;
    {
        std::lock_guard lock(m_mutex);
        const std::vector<std::string> keys = EntryKeys();
        for (size_t i = 0; i < m_entries.size(); ++i) {
            RememberRemoval(m_entries[i], keys[i]);
        }
        count = m_entries.size();
        m_entries.clear();
        m_selected = -1;
    }
    for (size_t i = count; i-- > 0;) {
        Notify(&ITaskListObserver::OnRowRemoved, static_cast<int>(i));
    }
    return SaveTasks();
}

void CTaskList::SetTaskStatus(int index, int stateId)
{
    {
        std::lock_guard lock(m_mutex);
        Entry* entry = Row(index);
        if (entry == nullptr) {
            return;
        }
        entry->record.m_stateId = stateId;
        entry->row[kColState] = LoadResString(stateId);
    }
    Notify(&ITaskListObserver::OnRowChanged, index);
}

void CTaskList::SetRemainingTime(int index, const std::string& text)
{
    {
        std::lock_guard lock(m_mutex);
        Entry* entry = Row(index);
        if (entry == nullptr) {
            return;
        }
        entry->row[kColRemaining] = text;
    }
    Notify(&ITaskListObserver::OnRowChanged, index);
}

void CTaskList::SetCopiesText(int index, const std::string& text)
{
    {
        std::lock_guard lock(m_mutex);
        Entry* entry = Row(index);
        if (entry == nullptr) {
            return;
        }
        entry->row[kColCopies] = text;
    }
    Notify(&ITaskListObserver::OnRowChanged, index);
}

void CTaskList::SetResumePoint(int index, bool resume, int line)
{
    std::lock_guard lock(m_mutex);
    Entry* entry = Row(index);
    if (entry == nullptr) {
        return;
    }
    TaskRecord& record = entry->record;
    record.m_resume = resume ? 1 : 0;
    record.m_resumeLine = std::max(line, 0);
}

bool CTaskList::SaveTask(int index)
{
    {
        std::lock_guard lock(m_mutex);
        Entry* entry = Row(index);
        if (entry == nullptr) {
            return false;
        }
        entry->record.m_saved = 1;
    }
    return WriteSaved();
}

bool CTaskList::SetCopies(int index, int copies)
{
    int old = 0;
    bool wasSaved = false;
    {
        std::lock_guard lock(m_mutex);
        Entry* entry = Row(index);
        if (entry == nullptr) {
            return false;
        }
        old = entry->record.m_copies;
        wasSaved = entry->record.m_saved != 0;
        entry->record.m_copies = copies;
        entry->row[kColCopies] = std::to_string(copies);
    }
    const bool saved = SaveTask(index);
    if (!saved) {
        std::lock_guard lock(m_mutex);
        if (Entry* entry = Row(index)) {
            entry->record.m_copies = old;
            entry->record.m_saved = wasSaved ? 1 : 0;
            entry->row[kColCopies] = std::to_string(old);
        }
    }
    Notify(&ITaskListObserver::OnRowChanged, index);
    return saved;
}

int CTaskList::TaskCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_entries.size());
}

TaskRecord CTaskList::GetTask(int index) const
{
    std::lock_guard lock(m_mutex);
    const Entry* entry = Row(index);
    return entry == nullptr ? TaskRecord{} : entry->record;
}

TaskRowTexts CTaskList::RowTexts(int index) const
{
    std::lock_guard lock(m_mutex);
    const Entry* entry = Row(index);
    return entry == nullptr ? TaskRowTexts{} : entry->row;
}

std::shared_ptr<const DibImage> CTaskList::Thumbnail(int index) const
{
    std::lock_guard lock(m_mutex);
    const Entry* entry = Row(index);
    return entry == nullptr ? nullptr : entry->thumbnail;
}

}  // namespace tavolux
