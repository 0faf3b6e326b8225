#include "wizard/WizardDialog.h"

#include "common/ExitCode.h"
#include "wizard/WizardResourceIds.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

namespace WizardDialog {

namespace {
constexpr UINT MarqueeIntervalMs = 30;
constexpr int InputControls[] = {IDC_START, IDC_NAME, IDC_ORGANIZATION, IDC_EMAIL, IDC_CALL_NUMBER, IDC_MODES};
} // namespace

std::wstring LoadResourceString(HINSTANCE resources, UINT id) {
    const wchar_t* text = nullptr;
    // Length 0 asks for a pointer into the resource itself (not terminated).
    int length = LoadStringW(resources, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) {
        MessageBoxW(nullptr, L"Could not load resource string! Please reinstall the application.", L"Error",
                    MB_ICONERROR);
        return std::wstring();
    }
    return std::wstring(text, static_cast<std::size_t>(length));
}

GathrixWizardDialog::GathrixWizardDialog(HINSTANCE resources, std::wstring outputFolder, ContactData defaults)
    : resources(resources), outputFolder(std::move(outputFolder)), contact(std::move(defaults)) {
    bigIcon.Reset(static_cast<HICON>(
        LoadImageW(resources, MAKEINTRESOURCEW(IDI_GATHRIX_WIZARD), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR)));
    smallIcon.Reset(static_cast<HICON>(
        LoadImageW(resources, MAKEINTRESOURCEW(IDI_GATHRIX_WIZARD), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
}

GathrixWizardDialog::~GathrixWizardDialog() {
    TerminateCollector(0);
    WaitForWorker();
    taskbarList.Reset();
    if (comInitialized)
        CoUninitialize();
}

INT_PTR GathrixWizardDialog::DoModal() {
    INT_PTR result = DialogBoxParamW(resources, MAKEINTRESOURCEW(IDD_GATHRIX_WIZARD), nullptr, DialogProcedure,
                                     reinterpret_cast<LPARAM>(this));
    // The dialog may have ended during a run (Escape, the close box, Exit): the collector has
    // been ended, and the worker must finish before the library it takes texts from is freed.
    TerminateCollector(0);
    WaitForWorker();
    window = nullptr;
    return result;
}

void GathrixWizardDialog::WaitForWorker() {
    if (!worker)
        return;
    // Messages the worker sends to this thread's windows must get through while it is waited for.
    for (;;) {
        HANDLE handle = worker.Get();
        DWORD waited = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE);
        if (waited != WAIT_OBJECT_0 + 1)
            break;
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    worker.Reset();
}

INT_PTR CALLBACK GathrixWizardDialog::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<GathrixWizardDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->window = window;
        return dialog->OnInitDialog();
    }
    auto* dialog = reinterpret_cast<GathrixWizardDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDCANCEL:
            dialog->OnCancelCommand();
            return TRUE;
        case IDC_EXIT:
            if (HIWORD(wParam) == BN_CLICKED)
                dialog->OnExitButton();
            return TRUE;
        case IDC_START:
            if (HIWORD(wParam) == BN_CLICKED)
                dialog->OnStartButton();
            return TRUE;
        case IDC_MODES:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                dialog->OnModeSelected();
            return TRUE;
        }
        break;
    case WM_COLLECTOR_FINISHED:
        dialog->OnCollectorFinished(wParam);
        SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    return FALSE;
}

BOOL GathrixWizardDialog::OnInitDialog() {
    HWND progress = GetDlgItem(window, IDC_PROGRESS);
    SetWindowLongPtrW(progress, GWL_STYLE, GetWindowLongPtrW(progress, GWL_STYLE) & ~static_cast<LONG_PTR>(PBS_MARQUEE));
    SendMessageW(progress, PBM_SETMARQUEE, FALSE, MarqueeIntervalMs);
    if (bigIcon)
        SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.Get()));
    if (smallIcon)
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
    SetDlgItemTextW(window, IDC_NAME, contact.name.c_str());
    SetDlgItemTextW(window, IDC_ORGANIZATION, contact.organization.c_str());
    SetDlgItemTextW(window, IDC_EMAIL, contact.email.c_str());
    SetDlgItemTextW(window, IDC_CALL_NUMBER, contact.callNumber.c_str());
    SetDlgItemTextW(window, IDC_EXIT, Text(IDS_EXIT_IDLE).c_str());
    LoadModes();
    if (CoInitialize(nullptr) == S_OK) {
        comInitialized = true;
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_ALL, IID_ITaskbarList3, taskbarList.PutVoid())) ||
            !taskbarList || FAILED(taskbarList->HrInit()))
            taskbarList.Reset();
    }
    return TRUE;
}

void GathrixWizardDialog::LoadModes() {
    modes = FindModes(std::wstring(), Text(IDS_LANGUAGE_CODE));
    if (modes.empty()) {
        ShowMessage(0, IDS_NO_MODE, IDS_NO_MODE_CAPTION, MB_ICONERROR, false);
        EnableInputs(false);
        return;
    }
    HWND combo = GetDlgItem(window, IDC_MODES);
    for (const ModeEntry& mode : modes)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(mode.displayName.c_str()));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    selectedModeFile = modes.front().path;
}

void GathrixWizardDialog::OnModeSelected() {
    LRESULT index = SendDlgItemMessageW(window, IDC_MODES, CB_GETCURSEL, 0, 0);
    if (index >= 0 && static_cast<std::size_t>(index) < modes.size())
        selectedModeFile = modes[static_cast<std::size_t>(index)].path;
}

void GathrixWizardDialog::EnableInputs(bool enable) {
    for (int id : InputControls)
        EnableWindow(GetDlgItem(window, id), enable ? TRUE : FALSE);
}

void GathrixWizardDialog::SetBusy(bool newBusy) {
    busy = newBusy;
    EnableInputs(!newBusy && !modes.empty());
    if (taskbarList)
        taskbarList->SetProgressState(window, newBusy ? TBPF_INDETERMINATE : TBPF_NOPROGRESS);
    HWND progress = GetDlgItem(window, IDC_PROGRESS);
    LONG_PTR style = GetWindowLongPtrW(progress, GWL_STYLE);
    SetWindowLongPtrW(progress, GWL_STYLE, newBusy ? (style | PBS_MARQUEE) : (style & ~static_cast<LONG_PTR>(PBS_MARQUEE)));
    SendMessageW(progress, PBM_SETMARQUEE, newBusy ? TRUE : FALSE, MarqueeIntervalMs);
    SetDlgItemTextW(window, IDC_EXIT, Text(newBusy ? IDS_EXIT_BUSY : IDS_EXIT_IDLE).c_str());
}

void GathrixWizardDialog::SetStatus(const std::wstring& text) { SetDlgItemTextW(window, IDC_STATUS, text.c_str()); }

void GathrixWizardDialog::ShowMessage(UINT statusId, UINT textId, UINT captionId, UINT flags, bool setStatus) {
    if (setStatus)
        SetStatus(Text(statusId));
    MessageBoxW(window, Text(textId).c_str(), Text(captionId).c_str(), flags);
}

std::wstring GathrixWizardDialog::ControlText(int id) const {
    HWND control = GetDlgItem(window, id);
    int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    int copied = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

bool GathrixWizardDialog::TerminateCollector(UINT exitCode) {
    std::lock_guard<std::mutex> lock(collectorLock);
    cancelRequested = true;
    if (runningCollector == nullptr)
        return false;
    TerminateProcess(runningCollector, exitCode);
    return true;
}

void GathrixWizardDialog::OnCancelCommand() {
    // Escape or the close box: a running collector is ended without a question.
    if (busy)
        TerminateCollector(Gathrix::UnexpectedError);
    EndDialog(window, IDCANCEL);
}

void GathrixWizardDialog::OnExitButton() {
    if (!busy) {
        EndDialog(window, IDCANCEL);
        return;
    }
    if (MessageBoxW(window, Text(IDS_CANCEL_QUESTION).c_str(), Text(IDS_CANCEL_QUESTION_CAPTION).c_str(),
                    MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    TerminateCollector(Gathrix::UnexpectedError);
    EndDialog(window, IDCANCEL);
}

void GathrixWizardDialog::OnStartButton() {
    // The inputs are disabled here, on the UI thread, before anything else can be clicked.
    if (busy || modes.empty())
        return;
    contact.name = ControlText(IDC_NAME);
    contact.organization = ControlText(IDC_ORGANIZATION);
    contact.email = ControlText(IDC_EMAIL);
    contact.callNumber = ControlText(IDC_CALL_NUMBER);
    commandLine = BuildCollectorCommandLine(selectedModeFile, contact, outputFolder);
    SetBusy(true);
    WaitForWorker();  // the previous run's thread has reported already; let it end
    {
        std::lock_guard<std::mutex> lock(collectorLock);
        cancelRequested = false;
    }
    worker.Reset(CreateThread(nullptr, 0, CollectorWorker, this, 0, nullptr));
    if (!worker) {
        SetBusy(false);
        ShowMessage(IDS_ERROR_STATUS, IDS_START_FAILED, IDS_ERROR_CAPTION, MB_ICONERROR, true);
    }
}

void GathrixWizardDialog::OnCollectorFinished(WPARAM waitResult) {
    bool cancelled;
    {
        std::lock_guard<std::mutex> lock(collectorLock);
        cancelled = cancelRequested;
    }
    SetBusy(false);
    if (waitResult == StartFailedResult)
        return;
    ExitCodeMessage message = MessageForExitCode(collectorExitCode, cancelled);
    if (message.textId == 0) {
        SetStatus(Text(message.statusId));
        return;
    }
    ShowMessage(message.statusId, message.textId, message.captionId, message.icon, true);
}

DWORD WINAPI GathrixWizardDialog::CollectorWorker(void* dialog) {
    return static_cast<GathrixWizardDialog*>(dialog)->RunCollector();
}

bool GathrixWizardDialog::StartCollector(Gathrix::UniqueHandle& process, Gathrix::UniqueHandle& thread,
                                         Gathrix::UniqueHandle& pipeRead) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Gathrix::UniqueHandle pipeWrite;
    if (!CreatePipe(pipeRead.Put(), pipeWrite.Put(), &inheritable, 0) || !pipeWrite)
        return false;
    SetHandleInformation(pipeRead.Get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullptr;
    startup.hStdOutput = pipeWrite.Get();
    startup.hStdError = pipeWrite.Get();
    PROCESS_INFORMATION started{};
    std::wstring writable = commandLine;  // CreateProcessW may write into its command line
    BOOL ok = CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW | CREATE_FORCEDOS,
                             nullptr, nullptr, &startup, &started);
    // Only the collector may hold the write end: the pipe ends when the collector's copy closes.
    pipeWrite.Reset();
    if (!ok) {
        pipeRead.Reset();
        ShowMessage(IDS_ERROR_STATUS, IDS_START_FAILED, IDS_ERROR_CAPTION, MB_ICONERROR, true);
        return false;
    }
    process.Reset(started.hProcess);
    thread.Reset(started.hThread);
    return true;
}

DWORD GathrixWizardDialog::RunCollector() {
    Gathrix::UniqueHandle process, thread, pipeRead;
    if (!StartCollector(process, thread, pipeRead)) {
        SendMessageW(window, WM_COLLECTOR_FINISHED, StartFailedResult, 0);
        return StartFailedResult;
    }
    {
        std::lock_guard<std::mutex> lock(collectorLock);
        runningCollector = process.Get();
        // The user may have closed the dialog while the collector was being started.
        if (cancelRequested)
            TerminateProcess(process.Get(), Gathrix::UnexpectedError);
    }

    // Read until the collector has ended and the pipe is drained. A program the collector left
    // running may still hold the pipe's write end, so the end of the pipe alone is not waited for.
    StatusLineReader reader;
    std::wstring line;
    bool exited = false;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipeRead.Get(), nullptr, 0, nullptr, &available, nullptr))
            break;  // every write end is closed and nothing is left
        if (available > 0) {
            char chunk[1024];
            DWORD read = 0;
            if (!ReadFile(pipeRead.Get(), chunk, std::min<DWORD>(available, sizeof(chunk) - 1), &read, nullptr) ||
                read == 0)
                break;
            if (reader.Append(chunk, read, line))
                SetStatus(line);
            continue;
        }
        if (exited)
            break;
        exited = WaitForSingleObject(process.Get(), 50) == WAIT_OBJECT_0;
    }
    if (reader.Finish(line))
        SetStatus(line);

    DWORD waitResult = 0;
    switch (WaitForSingleObject(process.Get(), INFINITE)) {
    case WAIT_ABANDONED:
        ShowMessage(IDS_ERROR_STATUS, IDS_WAIT_ABANDONED, IDS_ERROR_CAPTION, MB_ICONERROR, true);
        waitResult = 1;
        break;
    case WAIT_FAILED:
        ShowMessage(IDS_ERROR_STATUS, IDS_WAIT_FAILED, IDS_ERROR_CAPTION, MB_ICONERROR, true);
        waitResult = 2;
        break;
    default:
        break;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.Get(), &exitCode);
    collectorExitCode = exitCode;
    {
        std::lock_guard<std::mutex> lock(collectorLock);
        runningCollector = nullptr;
    }
    process.Reset();
    thread.Reset();
    pipeRead.Reset();
    SendMessageW(window, WM_COLLECTOR_FINISHED, waitResult, 0);
    return waitResult;
}

} // namespace WizardDialog
