#pragma once
// A path together with the file-system view it is read in. On 64-bit Windows the collector (a
// 32-bit program) sees the 32-bit copies below the system folder unless it switches WOW64
// redirection off; every file access that depends on the view goes through a candidate.

#include <string>
#include <vector>

namespace Gathrix {

class PathCandidate {
public:
    // useRedirection true: the 32-bit view, redirection left on; false: the native view.
    // Throws std::runtime_error for the 32-bit view on 32-bit Windows, which has no such view.
    PathCandidate(const std::wstring& path, bool useRedirection);
    // A copy or a moved-to candidate starts outside any view; the view stays with the object
    // that entered it.
    PathCandidate(const PathCandidate& other);
    PathCandidate(PathCandidate&& other) noexcept;
    PathCandidate& operator=(const PathCandidate& other);
    // Leaves the view when a caller forgot to.
    ~PathCandidate();

    void EnterView();
    void LeaveView();

    // True when the path names an existing file (not a folder) in this view. A candidate of the
    // 32-bit view takes the folder where its file really lies (SysWOW64 for System32).
    bool FileExists();

    const std::wstring& GetPath() const { return path; }
    bool UsesRedirection() const { return useRedirection; }
    bool IsViewEntered() const { return viewEntered; }

    static void EnterNativeView();
    static void LeaveNativeView();

private:
    using ViewOperation = void (*)();

    std::wstring path;
    bool viewEntered = false;
    bool useRedirection;
    ViewOperation enterOperation;
    ViewOperation leaveOperation;
};

// The path of the 32-bit view translated to the folder the file really lies in: true and `out`
// set when the path lies in a redirected folder and in none of its exempt folders (whole path
// components count: System32\spoolss.dll is not inside System32\spool).
bool MapToRedirectedPath(const std::wstring& path, std::wstring& out);

// The existing file a path text names (variables, "\??\" and "\SystemRoot\" prefixes, quotes,
// arguments, bare names along PATH): at most two candidates of the first text that names a
// file, the 32-bit view's first. None of them is entered.
std::vector<PathCandidate> ResolvePathCandidates(const std::wstring& pathText);

} // namespace Gathrix
