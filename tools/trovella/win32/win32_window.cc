// The search window drawn with plain Win32 controls and comctl32. The main window is of the
// class Tamsel posts to when an index was written, so its message arrives here directly. The
// hits are a virtual list view (LVS_OWNERDATA): it asks for the texts of the rows it draws, so
// 100,000 hits cost only the rows in sight; the fragment column is drawn by the window itself,
// the query's words in bold.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "indexer/engine/run_codes.h"
#include "platform/codepage.h"
#include "platform/desktop.h"
#include "tools/oru/index_summary.h"
#include "tools/oru/text.h"
#include "tools/trovella/index_jobs.h"
#include "tools/trovella/search_model.h"
#include "tools/trovella/win32/control_ids.h"
#include "tools/trovella/window.h"

namespace oru::trovella {
namespace {

using win32::kAddFolderId;
using win32::kIndexesId;
using win32::kQueryId;
using win32::kResultsId;
using win32::kSortId;
using win32::kStatusId;
using win32::kSummaryId;
using win32::kUpdateId;

enum Column { kName, kFolder, kSize, kDate, kFragment, kColumnCount };

// Posted to the window when its queue of work from other threads has something.
constexpr UINT kDrainMessage = WM_APP + 1;
constexpr UINT_PTR kTypingTimer = 1;
// Menu commands of the list's context menu.
enum MenuCommand { kOpenCommand = 1, kOpenFolderCommand, kCopyPathCommand };

constexpr int kMargin = 8;
constexpr int kGap = 6;
constexpr int kBarHeight = 24;
constexpr int kLineHeight = 18;

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// UTF-8 (or, failing that, the system code page) as the wide text the controls take.
std::wstring Wide(std::string_view text) {
  std::u16string wide;
  if (!tool::Utf8ToWide(text, &wide)) wide = platform::AnsiToWide(text);
  return std::wstring(wide.begin(), wide.end());
}

std::string Utf8(std::wstring_view text) {
  return tool::WideToUtf8(std::u16string(text.begin(), text.end()));
}

std::wstring TextOf(HWND control) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  const int length = GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(0, length)));
  return text;
}

void SetText(HWND control, std::string_view utf8) {
  const std::wstring text = Wide(utf8);
  if (TextOf(control) != text) SetWindowTextW(control, text.c_str());
}

// Runs tasks of other threads on the window's thread: they wait in one queue, and a posted
// message drains it 10 ms at a time, so that results arriving faster than the window takes
// them never hold its message loop for long. Tasks posted before the window exists wait for it.
class TaskQueue {
 public:
  void Post(std::function<void()> task) {
    const std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
    Schedule();
  }
  void Attach(HWND window) {
    const std::lock_guard<std::mutex> lock(mutex_);
    window_ = window;
    Schedule();
  }
  // No more draining: the window is going.
  void Detach() {
    std::deque<std::function<void()>> dropped;
    const std::lock_guard<std::mutex> lock(mutex_);
    window_ = nullptr;
    dropped.swap(tasks_);
  }
  void Drain() {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
      std::function<void()> task;
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (tasks_.empty() || window_ == nullptr) {
          scheduled_ = false;
          return;
        }
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
      const std::chrono::duration<double, std::milli> spent =
          std::chrono::steady_clock::now() - start;
      if (spent.count() >= kSliceMs) {
        // The rest after a turn of the loop (input and painting first).
        const std::lock_guard<std::mutex> lock(mutex_);
        if (window_ != nullptr) PostMessageW(window_, kDrainMessage, 0, 0);
        return;
      }
    }
  }

 private:
  static constexpr double kSliceMs = 10;

  // Called with the lock held.
  void Schedule() {
    if (scheduled_ || window_ == nullptr || tasks_.empty()) return;
    scheduled_ = PostMessageW(window_, kDrainMessage, 0, 0) != 0;
  }

  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
  HWND window_ = nullptr;
  bool scheduled_ = false;
};

class Win32MainWindow : public MainWindow {
 public:
  explicit Win32MainWindow(const WindowOptions& options)
      : options_(options),
        model_(options.work, [this](std::function<void()> task) { queue_.Post(std::move(task)); }),
        jobs_(options.work, options.oru,
              [this](std::function<void()> task) { queue_.Post(std::move(task)); }) {}

  ~Win32MainWindow() override {
    queue_.Detach();
    if (window_ != nullptr) DestroyWindow(window_);
    if (bold_ != nullptr) DeleteObject(bold_);
    if (font_ != nullptr) DeleteObject(font_);
  }

  static bool Register(std::string* problem) {
    INITCOMMONCONTROLSEX common = {sizeof common, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&common);
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = WindowProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hIcon = LoadIconW(window_class.hInstance, L"TROVELLA");
    if (window_class.hIcon == nullptr) window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    const std::wstring name = Wide(kSearchWindowClass);
    window_class.lpszClassName = name.c_str();
    if (RegisterClassExW(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      *problem = "cannot register the window class " + std::string(kSearchWindowClass);
      return false;
    }
    return true;
  }

  int Run() override {
    if (!Build()) return 2;
    queue_.Attach(window_);
    if (!options_.query.empty()) SetWindowTextW(query_, Wide(options_.query).c_str());
    ShowWindow(window_, SW_SHOWNORMAL);
    SetFocus(query_);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (message.message == WM_KEYDOWN && HandleKey(message)) continue;
      if (IsDialogMessageW(window_, &message)) continue;  // Tab between the controls
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    queue_.Detach();
    return 0;
  }

 private:
  bool Build() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    font_ = CreateFontIndirectW(&metrics.lfMessageFont);
    metrics.lfMessageFont.lfWeight = FW_BOLD;
    bold_ = CreateFontIndirectW(&metrics.lfMessageFont);

    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT frame = {0, 0, 900, 560};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    window_ = CreateWindowExW(0, Wide(kSearchWindowClass).c_str(), Wide(kWindowTitle).c_str(),
                              style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                              frame.bottom - frame.top, nullptr, nullptr,
                              GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) return false;

    query_ = Control(WC_EDITW, L"", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, kQueryId);
    SendMessageW(query_, EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"Search: words, OR, -word, \"a phrase\", ext:pdf ..."));
    indexes_ = Control(WC_COMBOBOXW, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kIndexesId);
    FillIndexes();
    sort_ = Control(WC_COMBOBOXW, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kSortId);
    for (const wchar_t* label :
         {L"As found", L"By path", L"By date, newest first", L"By size, largest first"}) {
      SendMessageW(sort_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label));
    }
    SendMessageW(sort_, CB_SETCURSEL, 0, 0);
    add_ = Control(WC_BUTTONW, L"Add folder\u2026", WS_TABSTOP | BS_PUSHBUTTON, kAddFolderId);
    update_ = Control(WC_BUTTONW, L"Update", WS_TABSTOP | BS_PUSHBUTTON, kUpdateId);
    summary_ = Control(WC_STATICW, L"", SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS | SS_NOPREFIX,
                       kSummaryId);
    list_ = Control(WC_LISTVIEWW, L"",
                    WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                        LVS_SHOWSELALWAYS,
                    kResultsId);
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    const struct {
      const wchar_t* title;
      int width;
      int format;
    } columns[] = {{L"Name", 170, LVCFMT_LEFT},
                   {L"Folder", 200, LVCFMT_LEFT},
                   {L"Size", 70, LVCFMT_RIGHT},
                   {L"Date", 115, LVCFMT_LEFT},
                   {L"Text", 300, LVCFMT_LEFT}};
    for (int i = 0; i < kColumnCount; ++i) {
      LVCOLUMNW column = {};
      column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
      column.fmt = columns[i].format;
      column.cx = columns[i].width;
      column.pszText = const_cast<wchar_t*>(columns[i].title);
      column.iSubItem = i;
      SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(&column));
    }
    status_ = Control(WC_STATICW, L"", SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS | SS_NOPREFIX,
                      kStatusId);
    Layout();

    model_.on_results = [this] { ShowResults(); };
    jobs_.on_done = [this](const std::string& outcome) {
      SetText(status_, outcome);
      IndexesChanged();
    };
    return true;
  }

  HWND Control(const wchar_t* window_class, const wchar_t* text, DWORD style, int id) {
    HWND control = CreateWindowExW(0, window_class, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10,
                                   10, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return control;
  }

  // The bar along the top (the query takes what the others leave), the summary line, the list
  // filling the middle, and the status line at the bottom.
  void Layout() {
    if (list_ == nullptr) return;  // still being built
    RECT client;
    GetClientRect(window_, &client);
    const int width = client.right;
    const int height = client.bottom;
    const int fixed[] = {210, 160, 90, 70};  // indexes, sort, Add folder…, Update
    int right = width - kMargin;
    HWND bar[] = {indexes_, sort_, add_, update_};
    int x = right;
    for (int i = 3; i >= 0; --i) x -= fixed[i] + kGap;
    const int query_width = std::max(80, x - kMargin);
    MoveWindow(query_, kMargin, kMargin, query_width, kBarHeight, TRUE);
    x = kMargin + query_width + kGap;
    for (int i = 0; i < 4; ++i) {
      // A drop-down list's height is that of its open list.
      const int h = (bar[i] == indexes_ || bar[i] == sort_) ? 240 : kBarHeight;
      MoveWindow(bar[i], x, kMargin, fixed[i], h, TRUE);
      x += fixed[i] + kGap;
    }
    const int summary_y = kMargin + kBarHeight + kGap;
    MoveWindow(summary_, kMargin, summary_y, width - 2 * kMargin, kLineHeight, TRUE);
    const int list_y = summary_y + kLineHeight + kGap / 2;
    const int status_y = height - kMargin - kLineHeight;
    MoveWindow(list_, kMargin, list_y, width - 2 * kMargin, std::max(40, status_y - kGap - list_y),
               TRUE);
    MoveWindow(status_, kMargin, status_y, width - 2 * kMargin, kLineHeight, TRUE);
    // The text column takes the width the others leave.
    int others = 0;
    for (int i = 0; i < kFragment; ++i) {
      others += static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, i, 0));
    }
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, kFragment,
                 std::max(200, width - 2 * kMargin - others - GetSystemMetrics(SM_CXVSCROLL) - 4));
  }

  void FillIndexes() {
    SendMessageW(indexes_, CB_RESETCONTENT, 0, 0);
    for (const IndexChoice& choice : model_.choices()) {
      SendMessageW(indexes_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(choice.label).c_str()));
    }
    SendMessageW(indexes_, CB_SETCURSEL, model_.choice(), 0);
  }

  // An index was written (by Tamsel, or by a job of this window): its list and the search anew.
  void IndexesChanged() {
    model_.ReloadIndexes();
    FillIndexes();
    model_.Refresh();
  }

  // Tells the list what changed: a new search starts it anew (the model then has fewer rows
  // than the list), more rows are appended, fragments change the rows in sight.
  void ShowResults() {
    const auto count = static_cast<int>(model_.RowCount());
    if (count < shown_) {
      ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
      SendMessageW(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
    } else if (count != shown_) {
      SendMessageW(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(count),
                   LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    }
    shown_ = count;
    InvalidateRect(list_, nullptr, FALSE);
    WantVisibleFragments();
    std::string summary = model_.Summary();
    for (const std::string& note : model_.notes()) summary += "  (" + note + ")";
    SetText(summary_, summary);
  }

  void WantVisibleFragments() {
    if (shown_ == 0) return;
    const auto top =
        static_cast<size_t>(std::max<LRESULT>(0, SendMessageW(list_, LVM_GETTOPINDEX, 0, 0)));
    const auto page = static_cast<size_t>(SendMessageW(list_, LVM_GETCOUNTPERPAGE, 0, 0));
    model_.WantFragments(top, top + std::max<size_t>(page, 40) + 1);
  }

  int Selected() const {
    return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         LVNI_SELECTED));
  }
  const Row* SelectedRow() const {
    const int row = Selected();
    return row >= 0 && static_cast<size_t>(row) < model_.RowCount()
               ? &model_.RowAt(static_cast<size_t>(row))
               : nullptr;
  }

  void Open(const std::string& path) {
    const platform::Status opened = platform::OpenWithDesktop(path, options_.opener);
    SetText(status_, opened.ok() ? "opened " + tool::PathToUtf8(path) : opened.Message());
  }

  void CopyPath(const std::string& path) {
    const std::u16string text = platform::AnsiToWide(path);
    if (!OpenClipboard(window_)) return;
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(char16_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
      if (void* held = GlobalLock(memory)) {
        std::memcpy(held, text.c_str(), bytes);
        GlobalUnlock(memory);
        if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) GlobalFree(memory);
      } else {
        GlobalFree(memory);
      }
    }
    CloseClipboard();
    SetText(status_, "copied " + tool::PathToUtf8(path));
  }

  void Select(int row) {
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  }

  void ShowMenu(LPARAM where) {
    POINT at = {static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    if (where == -1) {
      // From the keyboard: at the selected row.
      RECT rect = {LVIR_BOUNDS, 0, 0, 0};
      const int row = Selected();
      if (row < 0 || !SendMessageW(list_, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                                   reinterpret_cast<LPARAM>(&rect))) {
        return;
      }
      at = {rect.left + 20, rect.bottom};
      ClientToScreen(list_, &at);
    } else {
      LVHITTESTINFO hit = {};
      hit.pt = at;
      ScreenToClient(list_, &hit.pt);
      const auto row = static_cast<int>(
          SendMessageW(list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
      if (row >= 0) Select(row);
    }
    if (SelectedRow() == nullptr) return;
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kOpenCommand, L"Open");
    AppendMenuW(menu, MF_STRING, kOpenFolderCommand, L"Open folder");
    AppendMenuW(menu, MF_STRING, kCopyPathCommand, L"Copy path");
    const int command = static_cast<int>(TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr));
    DestroyMenu(menu);
    const Row* row = SelectedRow();
    if (row == nullptr) return;
    switch (command) {
      case kOpenCommand:
        Open(row->path);
        break;
      case kOpenFolderCommand: {
        const size_t cut = row->path.find_last_of("/\\");
        Open(cut == std::string::npos ? row->path : row->path.substr(0, cut + 1));
        break;
      }
      case kCopyPathCommand:
        CopyPath(row->path);
        break;
      default:
        break;
    }
  }

  // The keys of the whole window, before the control with the focus sees them. True when taken.
  bool HandleKey(const MSG& message) {
    const auto key = message.wParam;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const bool dropped = SendMessageW(indexes_, CB_GETDROPPEDSTATE, 0, 0) != 0 ||
                         SendMessageW(sort_, CB_GETDROPPEDSTATE, 0, 0) != 0;
    if (key == VK_F3 || (control && key == 'L')) {
      SetFocus(query_);
      SendMessageW(query_, EM_SETSEL, 0, -1);
      return true;
    }
    if (key == VK_ESCAPE && !dropped) {
      SetWindowTextW(query_, L"");
      SetFocus(query_);
      return true;
    }
    if (key == VK_DOWN && message.hwnd == query_ && model_.RowCount() > 0) {
      SetFocus(list_);
      Select(0);
      return true;
    }
    if (key == VK_RETURN && message.hwnd == list_) {
      if (const Row* row = SelectedRow()) Open(row->path);
      return true;
    }
    return false;
  }

  void OnCommand(int id, int code) {
    switch (id) {
      case kQueryId:
        if (code == EN_CHANGE) {
          model_.SetQuery(Utf8(TextOf(query_)), NowMs());
          ArmTimer();
        }
        break;
      case kIndexesId:
        if (code == CBN_SELCHANGE) {
          const auto chosen = SendMessageW(indexes_, CB_GETCURSEL, 0, 0);
          if (chosen >= 0) model_.Choose(static_cast<size_t>(chosen));
        }
        break;
      case kSortId:
        if (code == CBN_SELCHANGE) {
          switch (SendMessageW(sort_, CB_GETCURSEL, 0, 0)) {
            case 1:
              model_.SetSort(tool::SortKey::kPath, false);
              break;
            case 2:
              model_.SetSort(tool::SortKey::kDate, true);
              break;
            case 3:
              model_.SetSort(tool::SortKey::kSize, true);
              break;
            default:
              model_.SetSort(tool::SortKey::kNone, false);
              break;
          }
        }
        break;
      case kAddFolderId:
        if (code == BN_CLICKED) AddFolder();
        break;
      case kUpdateId:
        if (code == BN_CLICKED) Update();
        break;
      default:
        break;
    }
  }

  void AddFolder() {
    if (jobs_.busy()) return;
    std::string folder;
    std::string problem;
    if (!AskForStorage(options_.work, &folder, &problem)) {
      SetText(status_, problem);
      return;
    }
    if (folder.empty()) return;  // the dialog was cancelled
    jobs_.AddFolder(folder);
    SetText(status_, "indexing " + tool::PathToUtf8(folder) + " ...");
  }

  void Update() {
    if (jobs_.busy()) return;
    std::vector<std::string> names;
    const std::vector<IndexChoice>& choices = model_.choices();
    for (size_t i = 1; i < choices.size(); ++i) {
      if (model_.choice() == 0 || model_.choice() == i) names.push_back(choices[i].name);
    }
    if (jobs_.Update(names)) SetText(status_, "updating ...");
  }

  void ArmTimer() {
    KillTimer(window_, kTypingTimer);
    const int64_t timeout = model_.Timeout(NowMs());
    if (timeout >= 0) SetTimer(window_, kTypingTimer, static_cast<UINT>(timeout) + 1, nullptr);
  }

  // The list asks for the text of a cell it draws.
  void CellText(NMLVDISPINFOW* info) {
    if ((info->item.mask & LVIF_TEXT) == 0 || info->item.cchTextMax <= 0) return;
    const auto row_number = static_cast<size_t>(info->item.iItem);
    cell_.clear();
    if (row_number < model_.RowCount()) {
      const Row& row = model_.RowAt(row_number);
      switch (info->item.iSubItem) {
        case kName:
          cell_ = Wide(row.name);
          break;
        case kFolder:
          cell_ = Wide(row.folder);
          break;
        case kSize:
          cell_ = Wide(tool::HumanSize(row.size));
          break;
        case kDate:
          cell_ = Wide(DateText(row.time));
          break;
        default:
          if (row.fragment_done) cell_ = Wide(row.fragment);
          break;
      }
    }
    const size_t room = static_cast<size_t>(info->item.cchTextMax) - 1;
    const size_t n = std::min(cell_.size(), room);
    std::wmemcpy(info->item.pszText, cell_.data(), n);
    info->item.pszText[n] = L'\0';
  }

  // Draws a row's fragment, the query's words in bold.
  void DrawFragment(const NMLVCUSTOMDRAW& draw) {
    const auto row_number = static_cast<int>(draw.nmcd.dwItemSpec);
    RECT cell = {LVIR_BOUNDS, kFragment, 0, 0};
    if (!SendMessageW(list_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row_number),
                      reinterpret_cast<LPARAM>(&cell))) {
      return;
    }
    HDC dc = draw.nmcd.hdc;
    const bool selected =
        (SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(row_number), LVIS_SELECTED) &
         LVIS_SELECTED) != 0;
    const bool focused = GetFocus() == list_;
    const int background =
        selected ? (focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE) : COLOR_WINDOW;
    FillRect(dc, &cell, GetSysColorBrush(background));
    if (static_cast<size_t>(row_number) >= model_.RowCount()) return;
    const Row& row = model_.RowAt(static_cast<size_t>(row_number));
    if (!row.fragment_done) return;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected && focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    HGDIOBJ old_font = SelectObject(dc, font_);
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    const int y = cell.top + (cell.bottom - cell.top - metrics.tmHeight) / 2;
    RECT clip = cell;
    clip.left += 6;
    clip.right -= 2;
    int x = clip.left;
    size_t at = 0;
    const auto piece = [&](size_t begin, size_t end, HFONT font) {
      if (begin >= end || x >= clip.right) return;
      const std::wstring text = Wide(std::string_view(row.fragment).substr(begin, end - begin));
      SelectObject(dc, font);
      SIZE size = {};
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
      ExtTextOutW(dc, x, y, ETO_CLIPPED, &clip, text.c_str(), static_cast<UINT>(text.size()),
                  nullptr);
      x += size.cx;
    };
    for (const Span& span : row.marked) {
      piece(at, span.begin, font_);
      piece(span.begin, span.end, bold_);
      at = span.end;
    }
    piece(at, row.fragment.size(), font_);
    SelectObject(dc, old_font);
  }

  LRESULT OnNotify(const NMHDR& header, LPARAM lparam) {
    if (header.hwndFrom != list_) return 0;
    switch (header.code) {
      case LVN_GETDISPINFOW:
        CellText(reinterpret_cast<NMLVDISPINFOW*>(lparam));
        return 0;
      case LVN_ODCACHEHINT: {
        const auto* hint = reinterpret_cast<const NMLVCACHEHINT*>(lparam);
        model_.WantFragments(static_cast<size_t>(std::max(0, hint->iFrom)),
                             static_cast<size_t>(std::max(0, hint->iTo)) + 1);
        return 0;
      }
      case NM_DBLCLK: {
        const auto* activated = reinterpret_cast<const NMITEMACTIVATE*>(lparam);
        const int row = activated->iItem >= 0 ? activated->iItem : Selected();
        if (row >= 0 && static_cast<size_t>(row) < model_.RowCount()) {
          Open(model_.RowAt(static_cast<size_t>(row)).path);
        }
        return 0;
      }
      case NM_CUSTOMDRAW: {
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lparam);
        switch (draw->nmcd.dwDrawStage) {
          case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
          case CDDS_ITEMPREPAINT: {
            const auto row = static_cast<size_t>(draw->nmcd.dwItemSpec);
            if (row < model_.RowCount() && !model_.RowAt(row).fragment_asked) {
              WantVisibleFragments();
            }
            return CDRF_NOTIFYSUBITEMDRAW;
          }
          case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
            if (draw->iSubItem != kFragment) return CDRF_DODEFAULT;
            DrawFragment(*draw);
            return CDRF_SKIPDEFAULT;
          default:
            return CDRF_DODEFAULT;
        }
      }
      default:
        return 0;
    }
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      auto* created = static_cast<Win32MainWindow*>(create->lpCreateParams);
      created->window_ = window;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || self->window_ != window) {
      return DefWindowProcW(window, message, wparam, lparam);
    }
    if (message == static_cast<UINT>(kIndexDoneMessage)) {
      // Tamsel wrote an index (wparam 1) or stopped without saving: the indexes as they are now.
      self->IndexesChanged();
      return 0;
    }
    switch (message) {
      case kDrainMessage:
        self->queue_.Drain();
        return 0;
      case WM_TIMER:
        if (wparam == kTypingTimer) {
          KillTimer(window, kTypingTimer);
          self->model_.Tick(NowMs());
          self->ArmTimer();
        }
        return 0;
      case WM_SIZE:
        self->Layout();
        return 0;
      case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = {560, 300};
        return 0;
      case WM_COMMAND:
        self->OnCommand(LOWORD(wparam), HIWORD(wparam));
        return 0;
      case WM_NOTIFY:
        return self->OnNotify(*reinterpret_cast<const NMHDR*>(lparam), lparam);
      case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wparam) == self->list_) {
          self->ShowMenu(lparam);
          return 0;
        }
        break;
      case WM_DESTROY:
        self->queue_.Detach();
        self->window_ = nullptr;
        PostQuitMessage(0);
        return 0;
      default:
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  // Declared first: the model's and the jobs' threads post to it until they are gone.
  TaskQueue queue_;
  WindowOptions options_;
  SearchModel model_;
  IndexJobs jobs_;
  HWND window_ = nullptr;
  HWND query_ = nullptr;
  HWND indexes_ = nullptr;
  HWND sort_ = nullptr;
  HWND add_ = nullptr;
  HWND update_ = nullptr;
  HWND summary_ = nullptr;
  HWND list_ = nullptr;
  HWND status_ = nullptr;
  HFONT font_ = nullptr;
  HFONT bold_ = nullptr;
  int shown_ = 0;       // rows the list has been told of
  std::wstring cell_;  // the text of the cell last asked for
};

}  // namespace

std::unique_ptr<MainWindow> MakeMainWindow(const WindowOptions& options, std::string* problem) {
  if (!Win32MainWindow::Register(problem)) return nullptr;
  return std::make_unique<Win32MainWindow>(options);
}

void ShowStartProblem(const std::string& problem) {
  std::fprintf(stderr, "Trovella: %s\n", problem.c_str());
  MessageBoxW(nullptr, Wide(problem).c_str(), Wide(kWindowTitle).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace oru::trovella
