#include "collector/core/FallbackPage.h"

#include "collector/core/PageXmlReader.h"
#include "common/Text.h"

#include <new>
#include <vector>

namespace Gathrix {

namespace {

// A page beyond this stops listing values: what failed to render is often a huge page, and its
// stand-in must not take the collector's memory.
constexpr std::size_t kMaxListed = 8u << 20;

std::string Escaped(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string Escaped(const std::wstring& text) { return Escaped(Utils::ToUtf8(text)); }

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; }

std::string Page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" \"http://www.w3.org/TR/html4/loose.dtd\">\n"
           "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\n"
           "<link rel=\"shortcut icon\" href=\"images/favicon.ico\">\n"
           "<title>Quellon Support Information" + (title.empty() ? std::string() : ": " + title) + "</title>\n"
           "<style type=\"text/css\">body { font-family: sans-serif; } .reason { color: #a00000; }"
           " ul.values { font-family: monospace; } .value { white-space: pre-wrap; } .name { color: #606060; }</style>\n"
           "</head>\n<body>\n<h1>" + (title.empty() ? std::string("Quellon Support Information") : title) + "</h1>\n" +
           body + "</body>\n</html>\n";
}

// The result file's values as nested lists. Element names that only give the file its shape
// (the result set, the tree, a tree element, a value) are left out; a tree element's value is
// its item's text; any other element is an item named after it. The navigation levels give the
// title.
class ValueLists {
public:
    std::string title;
    std::string body;
    std::wstring stopped;  // why the list ends early; empty when it holds the whole file
    bool showsLog = false; // the page is one that shows the collector's log

    void Read(PageXmlReader& reader) {
        for (;;) {
            switch (reader.Next()) {
            case PageXmlReader::Item::Start:
                Start(reader.Name(), reader.Depth());
                break;
            case PageXmlReader::Item::Text:
                Text(reader.Text());
                break;
            case PageXmlReader::Item::End:
                End();
                break;
            case PageXmlReader::Item::Finished:
                CloseAll();
                return;
            case PageXmlReader::Item::Failed:
                stopped = (body.empty() ? L"the result file could not be read: "
                                        : L"the rest of the result file could not be read: ") +
                          reader.Failure();
                CloseAll();
                return;
            }
            if (body.size() > kMaxListed) {
                stopped = L"the list stops here; the remaining values are in the result file";
                CloseAll();
                return;
            }
        }
    }

private:
    enum class Kind { Root, Levels, LevelName, Shape, Item, Value };
    struct Frame {
        Kind kind;
        bool listOpen = false;
        bool named = false;
        bool textShown = false;
    };

    Frame* Holder() {
        for (auto frame = frames.rbegin(); frame != frames.rend(); ++frame) {
            if (frame->kind == Kind::Item || frame->kind == Kind::Root)
                return &*frame;
        }
        return nullptr;
    }

    void Start(const std::string& name, std::size_t depth) {
        const Kind parent = frames.empty() ? Kind::Root : frames.back().kind;
        if (depth == 1) {
            frames.push_back({Kind::Root});
            return;
        }
        if (parent == Kind::Levels || parent == Kind::LevelName) {
            frames.push_back({name == "Name" && parent == Kind::Levels ? Kind::LevelName : Kind::Levels});
            return;
        }
        if (depth == 2 && name == "ActiveNavigation") {
            frames.push_back({Kind::Levels});
            return;
        }
        if (depth == 3 && name == "Logfile")
            showsLog = true;
        if (name == "ResultSet" || name == "Tree") {
            frames.push_back({Kind::Shape});
            return;
        }
        if (name == "Value" && parent == Kind::Item) {
            frames.push_back({Kind::Value});
            return;
        }
        if (Frame* holder = Holder()) {
            if (!holder->listOpen) {
                body += holder->kind == Kind::Root ? "<ul class=\"values\">\n" : "<ul>\n";
                holder->listOpen = true;
            }
        }
        body += "<li>";
        Frame frame{Kind::Item};
        if (name != "TreeElement") {
            body += "<span class=\"name\">" + Escaped(name) + "</span>";
            frame.named = true;
        }
        frames.push_back(frame);
    }

    void Text(const std::string& text) {
        if (frames.empty())
            return;
        Frame& frame = frames.back();
        if (frame.kind == Kind::LevelName) {
            levelName += text;
            return;
        }
        if ((frame.kind != Kind::Item && frame.kind != Kind::Value) || (!frame.textShown && IsBlank(text)))
            return;
        if (frame.kind == Kind::Item && !frame.textShown && frame.named)
            body += ": ";
        if (frame.kind == Kind::Value && !frame.textShown)
            body += "<span class=\"value\">";
        body += Escaped(text);
        frame.textShown = true;
    }

    void End() {
        if (frames.empty())
            return;
        const Frame frame = frames.back();
        frames.pop_back();
        switch (frame.kind) {
        case Kind::LevelName:
            if (!IsBlank(levelName))
                title += (title.empty() ? "" : " - ") + Escaped(levelName);
            levelName.clear();
            break;
        case Kind::Value:
            if (frame.textShown)
                body += "</span>";
            break;
        case Kind::Item:
            body += frame.listOpen ? "</ul></li>\n" : "</li>\n";
            break;
        case Kind::Root:
            if (frame.listOpen)
                body += "</ul>\n";
            break;
        default:
            break;
        }
    }

    void CloseAll() {
        while (!frames.empty())
            End();
    }

    std::vector<Frame> frames;
    std::string levelName;
};

} // namespace

std::string FallbackPage(const std::wstring& dataFolder, const std::wstring& resultFile, const std::wstring& reason) {
    const std::string link = Utils::ToUtf8(Utils::EscapeUrlPath(resultFile));
    ValueLists lists;
    try {
        PageXmlReader reader(dataFolder + L"\\" + resultFile);
        lists.Read(reader);
    } catch (const std::bad_alloc&) {
        lists.body.clear();
        lists.stopped = L"the values could not be listed: out of memory";
    }
    std::string body = "<p class=\"reason\">This page could not be rendered: " + Escaped(reason) + "</p>\n"
                       "<p>The values collected for it follow as plain text. The result file: <a href=\"" +
                       Escaped(link) + "\">" + Escaped(resultFile) + "</a></p>\n" + lists.body;
    if (!lists.stopped.empty())
        body += "<p class=\"reason\">Not listed: " + Escaped(lists.stopped) + ".</p>\n";
    if (lists.showsLog && lists.stopped.empty()) {
        // The page's values are the collector's log.
        ValueLists log;
        try {
            PageXmlReader reader(dataFolder + L"\\Logfile.xml");
            log.Read(reader);
        } catch (const std::bad_alloc&) {
            log.body.clear();
            log.stopped = L"the log could not be listed: out of memory";
        }
        body += "<h2>The collector's log</h2>\n" + log.body;
        if (!log.stopped.empty())
            body += "<p class=\"reason\">Not listed: " + Escaped(log.stopped) + ".</p>\n";
    }
    return Page(lists.title, body);
}

std::string UnwrittenResultPage(const std::wstring& resultFile, const std::wstring& reason) {
    return Page("", "<p class=\"reason\">This page could not be written: the result file " + Escaped(resultFile) +
                        " could not be saved: " + Escaped(reason) + "</p>\n"
                        "<p>Its values are not in the report.</p>\n");
}

} // namespace Gathrix
