#include "collector/core/ReportViewer.h"

#include "common/FileWrites.h"

#include <windows.h>

namespace Gathrix {

const std::vector<ReportViewerResource>& ReportViewerResources() {
    static const std::vector<ReportViewerResource> rows = {
    {L"PNG", 156, L".\\data\\images\\about.png"},
    {L"PNG", 157, L".\\data\\images\\cogwheel.png"},
    {L"PNG", 158, L".\\data\\images\\cogwheel32.png"},
    {L"PNG", 159, L".\\data\\images\\cogwheel64.png"},
    {L"PNG", 160, L".\\data\\images\\datetime.png"},
    {L"PNG", 161, L".\\data\\images\\externalprogram.png"},
    {L"PNG", 171, L".\\data\\images\\lvlfatal.png"},
    {L"PNG", 163, L".\\data\\images\\file.png"},
    {L"PNG", 164, L".\\data\\images\\filecontent.png"},
    {L"PNG", 165, L".\\data\\images\\filecontents.png"},
    {L"PNG", 166, L".\\data\\images\\fileinfo.png"},
    {L"PNG", 167, L".\\data\\images\\folder.png"},
    {L"PNG", 168, L".\\data\\images\\id.png"},
    {L"PNG", 169, L".\\data\\images\\lvldebug.png"},
    {L"PNG", 170, L".\\data\\images\\lvlerror.png"},
    {L"PNG", 172, L".\\data\\images\\lvlinfo.png"},
    {L"PNG", 173, L".\\data\\images\\lvlsuccess.png"},
    {L"PNG", 174, L".\\data\\images\\lvlwarning.png"},
    {L"PNG", 175, L".\\data\\images\\message.png"},
    {L"PNG", 176, L".\\data\\images\\minus.png"},
    {L"PNG", 177, L".\\data\\images\\placeholder.png"},
    {L"PNG", 178, L".\\data\\images\\plus.png"},
    {L"PNG", 179, L".\\data\\images\\process.png"},
    {L"PNG", 180, L".\\data\\images\\regbinvalue.png"},
    {L"PNG", 181, L".\\data\\images\\regkey.png"},
    {L"PNG", 182, L".\\data\\images\\regkey32.png"},
    {L"PNG", 183, L".\\data\\images\\regkey64.png"},
    {L"PNG", 184, L".\\data\\images\\regszvalue.png"},
    {L"PNG", 185, L".\\data\\images\\regvalue.png"},
    {L"PNG", 186, L".\\data\\images\\serviceinfo.png"},
    {L"PNG", 187, L".\\data\\images\\source.png"},
    {L"PNG", 188, L".\\data\\images\\unknown.png"},
    {L"PNG", 189, L".\\data\\images\\user.png"},
    {L"PNG", 190, L".\\data\\images\\winevtlog.png"},
    {L"PNG", 106, L".\\data\\images\\quellonlogo.png"},
    {L"CSS", 194, L".\\data\\stylesheet\\htmlstyle.css"},
    {L"XSLT", 197, L".\\data\\stylesheet\\header.xslt"},
    {L"XSLT", 198, L".\\data\\stylesheet\\htmlHead.xslt"},
    {L"XSLT", 199, L".\\data\\stylesheet\\navigation.xslt"},
    {L"XSLT", 200, L".\\data\\stylesheet\\plaintext.xslt"},
    {L"XSLT", 201, L".\\data\\stylesheet\\resultSet.xslt"},
    {L"XSLT", 202, L".\\data\\stylesheet\\stylesheet.xslt"},
    {L"XSLT", 203, L".\\data\\stylesheet\\tree.xslt"},
    // Every page links "images/favicon.ico" beside the result files, so that is where it goes.
    {L"FAVICON", 102, L".\\data\\images\\favicon.ico"},
    {L"HTML", 105, L".\\index.html"},
    {L"JS", 196, L".\\data\\scripts\\treeviewFunctions.js"},
    };
    return rows;
}

void ExtractReportViewerResources() {
    for (const ReportViewerResource& row : ReportViewerResources())
        ExtractResourceToFile(row.id, row.type, row.targetPath);
}

void ExtractResourceToFile(std::uint16_t id, const std::wstring& type, const std::wstring& targetPath) {
    const wchar_t* resourceType = type.c_str();
    if (type == L"Icon")
        resourceType = RT_GROUP_ICON;
    else if (type == L"HTML")
        resourceType = RT_HTML;
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(id), resourceType);
    if (found == nullptr)
        return;
    HGLOBAL loaded = LoadResource(self, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD size = SizeofResource(self, found);
    if (bytes == nullptr || size == 0)
        return;
    const std::uint32_t error = Utils::WriteWholeFile(targetPath, std::string(static_cast<const char*>(bytes), size));
    if (error != ERROR_SUCCESS)
        Utils::ReportWriteFailure(targetPath, error);
}

} // namespace Gathrix
