// The main window's opening of RIP files and its preview view: the file dialog, the build off
// the UI thread with its progress, the new task, and the preview of the selected task.
#include <algorithm>
#include <filesystem>

#include <wx/filedlg.h>
#include <wx/gauge.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statusbr.h>

#include "res/StringIds.h"
#include "res/StringTable.h"
#include "ui/App.h"
#include "ui/MainFrame.h"
#include "ui/PreviewView.h"

namespace tavolux::ui {

namespace {

wxString Text(int id)
{
    return wxString::FromUTF8(LoadResString(id));
}

wxString NotOpenedText(int code, const std::filesystem::path& path)
{
    if (code == kPreviewOtherFormat) {
        return wxString::FromUTF8(FormatResString(ids::kUiNotRipFile, {path.string()}));
    }
    return wxString::FromUTF8(PreviewErrorText(code));
}

}  // namespace

void CMainFrame::BuildPreviewView()
{
    m_previewRunner = std::make_unique<CPreviewRunner>(m_app.Dispatcher());
    m_previewView = new CTavoluxView(m_previewHost);
    m_previewGauge = new wxGauge(m_previewHost, wxID_ANY, 100);
    m_previewGauge->Hide();
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_previewView, wxSizerFlags(1).Expand());
    sizer->Add(m_previewGauge, wxSizerFlags().Expand().Border(wxALL, FromDIP(2)));
    m_previewHost->SetSizer(sizer);
}

bool CMainFrame::PreviewProgressShown() const
{
    return m_previewGauge != nullptr && m_previewGauge->IsShown();
}

void CMainFrame::ShowPreviewProgress(bool shown)
{
    if (shown) {
        m_previewGauge->SetValue(0);
        // The builder reports through the core's facade, which brings it to this thread.
        m_app.Ui().SetProgressSink([this](int percent) {
            if (m_previewGauge != nullptr && percent >= 0 && percent <= 100) {
                m_previewGauge->SetValue(percent);
            }
        });
        if (wxStatusBar* bar = GetStatusBar()) {
            m_statusBeforePreview = bar->GetStatusText(1);  // a printer that did not open
            bar->SetStatusText(Text(ids::kUiPreviewBuilding), 1);
        }
    } else {
        m_app.Ui().SetProgressSink({});
        if (wxStatusBar* bar = GetStatusBar()) {
            bar->SetStatusText(m_statusBeforePreview, 1);
        }
    }
    if (m_previewGauge->IsShown() != shown) {
        m_previewGauge->Show(shown);
        m_previewHost->Layout();
    }
}

bool CMainFrame::ChooseRipFile(std::string& path)
{
    m_jog->HoldLost(HoldLoss::DialogOpening);
    if (m_fileDialogHook) {
        path = m_fileDialogHook();
        return !path.empty();
    }
    const wxString filter = Text(ids::kUiRipFilesFilter) + "|*.prn;*.prt;*.PRN;*.PRT|" +
                            Text(ids::kUiAllFilesFilter) + "|*";
    wxFileDialog dialog(this, Text(ids::kUiOpenRipTitle), wxString(), wxString(), filter,
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    m_model->DialogOpened();
    const int answer = dialog.ShowModal();
    m_model->DialogClosed();
    if (answer != wxID_OK) {
        return false;
    }
    path = dialog.GetPath().utf8_string();
    return true;
}

void CMainFrame::OpenRipFile()
{
    if (m_previewRunner->Busy()) {
        ShowMessage(Text(ids::kUiPreviewBusy), false, wxICON_INFORMATION);
        return;
    }
    std::string path;
    if (!ChooseRipFile(path)) {
        return;
    }
    if (IsOtherPreviewFormat(path)) {
        // No reader for other formats: say so rather than show nothing.
        ShowMessage(NotOpenedText(kPreviewOtherFormat, path), false, wxICON_WARNING);
        return;
    }
    StartPreview(PreviewJob{.path = path});
}

bool CMainFrame::StartPreview(PreviewJob job)
{
    const wxSize view = m_previewView->GetClientSize();
    job.mode = m_model->PreviewMode();
    job.viewWidth = std::max(1, view.x);
    job.viewHeight = std::max(1, view.y);
    job.settings = PreviewSettings::FromConfig(*m_config);
    if (!m_previewRunner->Start(job, [this](const PreviewOutcome& o) { PreviewFinished(o); })) {
        return false;
    }
    m_lastPreviewJob = std::move(job);
    ShowPreviewProgress(true);
    return true;
}

void CMainFrame::PreviewFinished(const PreviewOutcome& outcome)
{
    ShowPreviewProgress(false);
    const PreviewJob& job = outcome.job;
    if (outcome.code != kPreviewOk) {
        ShowMessage(NotOpenedText(outcome.code, job.path), false, wxICON_WARNING);
    } else if (job.taskIndex < 0) {
        const int index = m_tasks->AddTask(job.path.string(), outcome.builder->Header(),
                                           outcome.builder->Bitmap(), ++m_opened);
        if (index >= 0) {  // else the task list has said why
            m_previewView->ShowImage(outcome.builder->Bitmap());
        }
    } else if (m_tasks->GetSelectedTask() == job.taskIndex &&
               m_tasks->GetTask(job.taskIndex).m_filePath == job.path.string()) {
        // Still the task the operator looks at: show its file at the new mode.
        m_previewView->ShowImage(outcome.builder->Bitmap());
    }
    if (m_renderAgain) {
        m_renderAgain = false;
        RenderSelectedAgain();
    }
}

void CMainFrame::RenderSelectedAgain()
{
    if (m_previewRunner->Busy()) {
        m_renderAgain = true;  // after the running build, at the mode chosen last
        return;
    }
    const int row = m_tasks->GetSelectedTask();
    if (row < 0) {
        return;
    }
    const std::string path = m_tasks->GetTask(row).m_filePath;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        // The thumbnail stays: it is what the task printed from, and the operator learns why
        // the mode shows no change.
        ShowMessage(wxString::FromUTF8(FormatResString(ids::kUiTaskFileGone, {path})), false,
                    wxICON_WARNING);
        return;
    }
    StartPreview(PreviewJob{.path = path, .taskIndex = row});
}

void CMainFrame::TaskSelectionChanged(int row)
{
    if (m_previewView == nullptr) {
        return;
    }
    const std::shared_ptr<const DibImage> thumbnail =
        row >= 0 ? m_tasks->Thumbnail(row) : std::shared_ptr<const DibImage>();
    if (thumbnail) {
        m_previewView->ShowImage(*thumbnail);
    } else {
        m_previewView->Clear();
    }
}

void CMainFrame::StopPreview()
{
    if (m_previewRunner) {
        m_previewRunner->Stop();
    }
    m_renderAgain = false;
    m_app.Ui().SetProgressSink({});
}

}  // namespace tavolux::ui
