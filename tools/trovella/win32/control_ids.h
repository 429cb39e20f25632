// The control ids of the Win32 search window, by which its tests find its controls
// (GetDlgItem), and the message with which its own threads hand it work.
#ifndef ORU_TOOLS_TROVELLA_WIN32_CONTROL_IDS_H_
#define ORU_TOOLS_TROVELLA_WIN32_CONTROL_IDS_H_

namespace oru::trovella::win32 {

inline constexpr int kQueryId = 101;    // the query: an edit field
inline constexpr int kIndexesId = 102;  // the index or group searched: a drop-down list
inline constexpr int kSortId = 103;     // the order of the hits: a drop-down list
inline constexpr int kAddFolderId = 104;
inline constexpr int kUpdateId = 105;
inline constexpr int kSummaryId = 106;  // the line counting the hits and what was left out
inline constexpr int kResultsId = 107;  // the hits: a virtual list view
inline constexpr int kStatusId = 108;   // the line saying how a job or an open went

}  // namespace oru::trovella::win32

#endif  // ORU_TOOLS_TROVELLA_WIN32_CONTROL_IDS_H_
