// Behaviour of the report's trees: open and close nodes, expand or collapse everything, and
// preview linked files below their line.

var mouseDownX = -1;
var mouseDownY = -1;

function SaveMousePosition(event) {
    event = event || window.event;
    mouseDownX = event.clientX;
    mouseDownY = event.clientY;
}

// A click that ends a text selection (the mouse moved while the button was down) toggles nothing.
function MouseMoved(event) {
    event = event || window.event;
    return mouseDownX !== event.clientX || mouseDownY !== event.clientY;
}

function StopEventPropagation(event) {
    event = event || window.event;
    if (event.stopPropagation) {
        event.stopPropagation();
    } else {
        event.cancelBubble = true;
    }
}

function DoNotToggle(event) {
    StopEventPropagation(event);
}

function ChildLists(node) {
    var lists = [];
    for (var child = node.firstChild; child; child = child.nextSibling) {
        if (child.nodeType === 1 && child.tagName.toLowerCase() === "ul") {
            lists.push(child);
        }
    }
    return lists;
}

function SetExpanded(node, expanded) {
    var lists = ChildLists(node);
    if (lists.length === 0) {
        return;
    }
    for (var i = 0; i < lists.length; i++) {
        lists[i].style.display = expanded ? "" : "none";
    }
    node.className = node.className.replace(/\b(expanded|collapsed)\b/g, "").replace(/\s+$/, "") +
        (expanded ? " expanded" : " collapsed");
}

function IsExpanded(node) {
    return /\bexpanded\b/.test(node.className);
}

function ToggleTreeView(node, event) {
    StopEventPropagation(event);
    if (MouseMoved(event)) {
        return;
    }
    SetExpanded(node, !IsExpanded(node));
}

function SetAll(expanded) {
    var mask = document.getElementById("mask");
    if (mask) {
        mask.style.display = "block";
    }
    // The delay lets the browser paint the mask before the long walk begins.
    window.setTimeout(function () {
        var items = document.getElementsByTagName("li");
        for (var i = 0; i < items.length; i++) {
            if (/\btreeNode\b/.test(items[i].className)) {
                SetExpanded(items[i], expanded);
            }
        }
        if (mask) {
            mask.style.display = "none";
        }
    }, 50);
}

function ExpandAll() {
    SetAll(true);
}

function CollapseAll() {
    SetAll(false);
}

// Shows or hides the preview area below a line; true when it is shown now.
function ToggleObjectPreview(previewId, event) {
    StopEventPropagation(event);
    var preview = document.getElementById(previewId);
    if (!preview) {
        return true;
    }
    var show = preview.style.display !== "block";
    preview.style.display = show ? "block" : "none";
    return show;
}

// Browsers with a scripting file-system object show the file's text in the preview area; the
// others follow the link into the preview frame (the function then returns true).
function LoadFile(link, previewId) {
    if (typeof ActiveXObject === "undefined") {
        return true;
    }
    var preview = document.getElementById(previewId);
    var fileName = decodeURIComponent(link.href.replace(/^file:\/\/\/?/, "")).replace(/\//g, "\\");
    var fileSystem;
    try {
        fileSystem = new ActiveXObject("Scripting.FileSystemObject");
    } catch (e) {
        alert("Your IE is running with high security settings. Maybe site is on a network share? " +
              "Preview file functionally will be limited!");
        return true;
    }
    var text;
    if (fileSystem.FileExists(fileName)) {
        var stream = fileSystem.OpenTextFile(fileName, 1);
        text = stream.AtEndOfStream ? "" : stream.ReadAll();
        stream.Close();
    } else {
        text = "Error: " + fileName + " not found!";
    }
    var block = document.createElement("div");
    block.className = "previewText";
    var lines = text.split(/\r\n|\n|\r/);
    for (var i = 0; i < lines.length; i++) {
        if (i > 0) {
            block.appendChild(document.createElement("br"));
        }
        block.appendChild(document.createTextNode(lines[i]));
    }
    preview.innerHTML = "";
    preview.appendChild(block);
    return false;
}
