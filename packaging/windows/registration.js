// Makes the Tavrin.exe beside this script open .torrent files and magnet
// links for the current user, or gives both back to what had them before.
//
//   cscript //nologo registration.js register
//   cscript //nologo registration.js unregister
//   cscript //nologo registration.js defaults   (register.cmd, when it may wait)
//   cscript //nologo registration.js page       (the installer, when not silent)
//
// register.cmd, unregister.cmd and the installer run it. Everything goes
// under HKCU, so no administrator rights are needed. What
// held those places before is kept under HKCU\Software\Retrackers and put
// back by "unregister", but only where our entries are still in place: a
// handler the user picked since is left alone.
//
// When Settings.ini has no usable LaunchPath, "register" also takes the
// client from the command of the earlier .torrent handler.
//
// Windows 10 and 11 prefer the user's own choice of default app, which no
// program may write, to the classes' entries. So "register" also lists Tavrin
// among the apps that can open torrents and magnet links (its capabilities
// under RegisteredApplications), and "defaults" opens Windows' Default apps
// page with a line of guidance when the user's choice is another program;
// "page" only prints that page (or nothing), for the installer to open. With
// RETRACKERS_SETTINGS_PAGE=print in the environment, "defaults" prints the
// page it would open instead of opening it.
//
// Written for the Windows Script Host's JScript and for Wine's: no
// WshShell.RegDelete and no WshShell.Exec (Wine lacks them), so deletions go
// through reg.exe. Exit code 0 when done, 1 on failure, 2 on wrong usage.
//
// It speaks Russian when Windows' display language is Russian, English
// otherwise; paths, registry data and the "Would open:" line stay as they are.

var shell = new ActiveXObject("WScript.Shell");
var files = new ActiveXObject("Scripting.FileSystemObject");

var CLASSES = "HKCU\\Software\\Classes\\";
var PROG_ID = "Retrackers.Torrent";
var MAGNET_PROG_ID = "Retrackers.Magnet";
var MEMORY = "HKCU\\Software\\Retrackers\\";  // this script's alone: "unregister" deletes it
var EARLIER = MEMORY + "Earlier handlers\\";  // value "<key>|<value name>" = earlier data
var CREATED = MEMORY + "Created keys\\";      // value "<key>|" = "": the key did not exist before
var CAPABILITIES = MEMORY + "Capabilities";
var APPLICATIONS = "HKCU\\Software\\RegisteredApplications";
var APPLICATION = "Retrackers";  // our value there, and the name Settings knows Tavrin by
// The choice made with "Open with" and "Always use this app", which Windows
// prefers to the classes' entries and lets no program write.
var USER_CHOICE = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.torrent\\UserChoice\\ProgId";
var MAGNET_CHOICE = "HKCU\\Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\magnet\\UserChoice\\ProgId";
var BUILD = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\CurrentBuildNumber";

// Programs that would hand the torrent back to whatever opens torrents,
// which is Tavrin again, or that are no client at all.
var OPENERS = ["tavrin.exe", "explorer.exe", "cmd.exe", "rundll32.exe", "openwith.exe", "powershell.exe",
               "pwsh.exe", "wscript.exe", "cscript.exe", "start.exe", "winebrowser.exe"];

// ---- the user's language

// Russian texts by their English originals. The build fills this line in
// from po/ru.po (cmake/po_catalogue.cmake, FORMAT js), taking the messages
// given to tr, so each is one string literal in double quotes; the script as
// it stands in the sources speaks English.
var RUSSIAN = {};

var DESKTOP = "HKCU\\Control Panel\\Desktop\\";

// The first name of a list of languages such as "ru-RU" (REG_MULTI_SZ, which
// JScript gets as a VBArray; a REG_SZ is taken too), or null. Wine's RegRead
// cannot read REG_MULTI_SZ: null there.
function firstLanguage(path) {
    try {
        var value = shell.RegRead(path);
        var names = typeof value === "string" ? [value] : new VBArray(value).toArray();
        return names.length > 0 && names[0] !== "" ? String(names[0]) : null;
    } catch (e) {
        return null;
    }
}

// Whether Windows' display language is Russian. Its sources, as Windows
// takes them: the user's own choice of display language, else the machine's
// one cached for the user (both Windows 8 on), else the language Windows was
// installed in ("0419" is Russian). Wine keeps neither list (its display
// language comes from the Unix locale, which it writes as the user's
// LocaleName), so there LocaleName comes before the install language.
function russianUser() {
    var name = firstLanguage(DESKTOP + "PreferredUILanguages") ||
               firstLanguage(DESKTOP + "MuiCached\\MachinePreferredUILanguages");
    if (name === null && keyExists("HKCU\\Software\\Wine")) {
        name = readValue("HKCU\\Control Panel\\International\\LocaleName");
    }
    if (name !== null) return /^ru(-|$)/i.test(name);
    var install = parseInt(readValue("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Nls\\Language\\InstallLanguage"), 16);
    return (install & 0x3ff) === 0x19;
}

var russian = null;  // decided on the first message

// A message for the user, in Russian when that is the user's language: each
// "%s" of the English text (the message id of po/ru.po) takes the next
// argument as it is, so paths and values are never translated.
function tr(message) {
    if (russian === null) {
        russian = false;
        for (var any in RUSSIAN) {
            russian = russianUser();
            break;
        }
    }
    var text = russian && RUSSIAN.hasOwnProperty(message) ? RUSSIAN[message] : message;
    var args = arguments;
    var next = 1;
    return text.replace(/%s/g, function () {
        return String(args[next++]);
    });
}

// ---- registry access

function readValue(path) {  // path: key + "\\" + value name (a trailing "\\" reads the default value)
    try {
        return String(shell.RegRead(path));
    } catch (e) {
        return null;
    }
}

function regExe(args) {
    return shell.Run("reg.exe " + args, 0, true);
}

function keyExists(key) {  // key without a trailing backslash
    return regExe('query "' + key + '"') === 0;
}

function deleteKey(key) {
    if (keyExists(key)) regExe('delete "' + key + '" /f');
}

function deleteValue(key, name) {
    regExe('delete "' + key + '" ' + (name === "" ? "/ve" : '/v "' + name + '"') + " /f");
}

// A command that names environment variables ("%ProgramFiles%") goes back as
// an expandable string, as such commands are stored.
function writeValue(key, name, data) {
    var type = /%[A-Za-z_(][^%]*%/.test(data) ? "REG_EXPAND_SZ" : "REG_SZ";
    shell.RegWrite(key + "\\" + name, data, type);
}

// ---- what we write, in groups that are taken and given back together

function quoted(text) {
    return '"' + text + '"';
}

// Each group belongs to us while its first entry holds our data.
function handlerGroups(tavrin) {
    var open = quoted(tavrin) + ' "%1"';
    return [
        {key: ".torrent", entries: [[".torrent", "", PROG_ID],
                                    [".torrent", "Content Type", "application/x-bittorrent"]]},
        {key: "magnet", entries: [["magnet\\shell\\open\\command", "", open],
                                  ["magnet", "", "URL:Magnet link (opened through Tavrin)"],
                                  ["magnet", "URL Protocol", ""]]}
    ];
}

// Value names cannot hold a backslash for WshShell, so the key's are slashes.
function memoryName(key, name) {
    return key.replace(/\\/g, "/") + "|" + name;
}

function contains(list, item) {
    for (var i = 0; i < list.length; ++i) {
        if (list[i] === item) return true;
    }
    return false;
}

// Ours: our own data, or a command that starts any Tavrin.exe (an earlier
// registration from another folder is not an earlier handler).
function isOurs(entry, data) {
    if (data === null) return false;
    if (data === entry[2]) return true;
    return /\\command$/.test(entry[0]) && isTavrin(splitCommand(data).program);
}

function groupIsOurs(group) {
    var marker = group.entries[0];
    return isOurs(marker, readValue(CLASSES + marker[0] + "\\" + marker[1]));
}

function takeGroup(group) {
    if (!groupIsOurs(group)) {
        forgetGroup(group);
        if (!keyExists(CLASSES + group.key)) shell.RegWrite(CREATED + memoryName(group.key, ""), "", "REG_SZ");
        for (var i = 0; i < group.entries.length; ++i) {
            var entry = group.entries[i];
            var earlier = readValue(CLASSES + entry[0] + "\\" + entry[1]);
            if (earlier !== null) shell.RegWrite(EARLIER + memoryName(entry[0], entry[1]), earlier, "REG_SZ");
        }
    }
    for (var j = 0; j < group.entries.length; ++j) {
        var own = group.entries[j];
        writeValue(CLASSES + own[0], own[1], own[2]);
    }
}

function giveBackGroup(group) {
    if (groupIsOurs(group)) {
        if (readValue(CREATED + memoryName(group.key, "")) !== null) {
            deleteKey(CLASSES + group.key);
        } else {
            for (var i = 0; i < group.entries.length; ++i) {
                var entry = group.entries[i];
                var earlier = readValue(EARLIER + memoryName(entry[0], entry[1]));
                if (earlier !== null) writeValue(CLASSES + entry[0], entry[1], earlier);
                else deleteValue(CLASSES + entry[0], entry[1]);
            }
        }
    }
    forgetGroup(group);
}

function forgetGroup(group) {
    deleteValue(CREATED.slice(0, -1), memoryName(group.key, ""));
    for (var i = 0; i < group.entries.length; ++i) deleteValue(EARLIER.slice(0, -1), memoryName(group.entries[i][0], group.entries[i][1]));
}

var OPEN_WITH = ".torrent\\OpenWithProgids";

function writeProgId(tavrin) {
    if (!keyExists(CLASSES + OPEN_WITH)) shell.RegWrite(CREATED + memoryName(OPEN_WITH, ""), "", "REG_SZ");
    var key = CLASSES + PROG_ID;
    writeValue(key, "", "Torrent file (opened through Tavrin)");
    writeValue(key + "\\DefaultIcon", "", tavrin + ",0");
    writeValue(key + "\\shell\\open\\command", "", quoted(tavrin) + ' "%1"');
    writeValue(CLASSES + OPEN_WITH, PROG_ID, "");
}

// The capabilities that put Tavrin into Settings' Default apps: a ProgID for
// each kind it opens, named by its capabilities, listed under
// RegisteredApplications (whose key is remembered when we create it).
function writeCapabilities(tavrin) {
    var magnet = CLASSES + MAGNET_PROG_ID;
    writeValue(magnet, "", "URL:Magnet link (opened through Tavrin)");
    writeValue(magnet, "URL Protocol", "");
    writeValue(magnet + "\\DefaultIcon", "", tavrin + ",0");
    writeValue(magnet + "\\shell\\open\\command", "", quoted(tavrin) + ' "%1"');
    writeValue(CAPABILITIES, "ApplicationName", "Tavrin");
    writeValue(CAPABILITIES, "ApplicationDescription",
               "Adds your provider's retrackers to torrents and magnet links and opens them in your BitTorrent client");
    writeValue(CAPABILITIES, "ApplicationIcon", tavrin + ",0");
    writeValue(CAPABILITIES + "\\FileAssociations", ".torrent", PROG_ID);
    writeValue(CAPABILITIES + "\\URLAssociations", "magnet", MAGNET_PROG_ID);
    if (!keyExists(APPLICATIONS)) shell.RegWrite(CREATED + "RegisteredApplications|", "", "REG_SZ");
    writeValue(APPLICATIONS, APPLICATION, CAPABILITIES.replace(/^HKCU\\/, ""));
}

// Called before the memory goes: the capabilities go with it.
function removeCapabilities() {
    deleteKey(CLASSES + MAGNET_PROG_ID);
    if (readValue(CREATED + "RegisteredApplications|") !== null) deleteKey(APPLICATIONS);
    else if (readValue(APPLICATIONS + "\\" + APPLICATION) !== null) deleteValue(APPLICATIONS, APPLICATION);
}

// ---- Windows' Default apps page

// Whether the user's choice of default app (which Windows prefers and no
// program may write) leaves the opening to Tavrin: there is none, so our
// classes' entries count, or it names a ProgID whose command runs Tavrin.
function choiceIsTavrin(choice) {
    var id = readValue(choice);
    if (id === null || id === "" || id === PROG_ID || id === MAGNET_PROG_ID) return true;
    var command = commandOf(id);
    return command !== null && isTavrin(splitCommand(command).program);
}

// The page and the line of guidance for it, or null when Tavrin opens both
// already or Windows is older than 10 (no such page; its classes' entries
// count there). Windows 11 (build 22000 on) has a page for each registered
// app; Windows 10 only the general one.
function defaultAppsPage() {
    if (choiceIsTavrin(USER_CHOICE) && choiceIsTavrin(MAGNET_CHOICE)) return null;
    var build = parseInt(readValue(BUILD), 10) || 0;
    if (build >= 22000) {
        return {uri: "ms-settings:defaultapps?registeredAppUser=" + APPLICATION,
                guidance: tr("Windows lets only you choose the default app: in Tavrin's page of Default apps, which opens now, set .torrent and MAGNET to Tavrin.")};
    }
    if (build >= 10240) {
        return {uri: "ms-settings:defaultapps",
                guidance: tr("Windows lets only you choose the default app: in Default apps, which opens now, choose Tavrin for .torrent under \"Choose default apps by file type\" and for MAGNET under \"Choose default apps by protocol\".")};
    }
    return null;
}

function offerDefaults() {
    var page = defaultAppsPage();
    if (page === null) return 0;
    WScript.Echo(page.guidance);
    if (expanded("%RETRACKERS_SETTINGS_PAGE%") === "print") {
        WScript.Echo("Would open: " + page.uri);
        return 0;
    }
    try {
        shell.Run(page.uri, 1, false);
    } catch (e) {
        WScript.Echo(tr("Windows could not open %s: open Settings, Apps, Default apps yourself.", page.uri));
    }
    return 0;
}

function printPage() {
    var page = defaultAppsPage();
    if (page !== null) WScript.Echo(page.uri);
    return 0;
}

// ---- the earlier .torrent handler's command, as Settings.ini values

function isTavrin(program) {
    return baseName(program).toLowerCase() === "tavrin.exe";
}

function baseName(path) {
    return path.replace(/^.*[\\\/]/, "");
}

// Wine's ExpandEnvironmentStrings returns the terminating NUL as a character.
function expanded(text) {
    var result = shell.ExpandEnvironmentStrings(text);
    var end = result.indexOf(String.fromCharCode(0));
    return end < 0 ? result : result.slice(0, end);
}

// The program and the rest of a shell command line. An unquoted program path
// may hold blanks ("C:\Program Files\x\x.exe %1"): it ends after ".exe".
function splitCommand(command) {
    command = expanded(command).replace(/^\s+|\s+$/g, "");
    var program, rest;
    if (command.charAt(0) === '"') {
        var close = command.indexOf('"', 1);
        if (close < 0) close = command.length;
        program = command.slice(1, close);
        rest = command.slice(close + 1);
    } else {
        var exe = /^(.*?\.exe)(\s|$)/i.exec(command);
        program = exe ? exe[1] : command.split(/\s/)[0];
        rest = command.slice(program.length);
    }
    return {program: program, rest: rest.replace(/^\s+|\s+$/g, "")};
}

// The shell's placeholders for the opened file (%1, %L, %V, quoted or not)
// become Tavrin's %1, which Tavrin quotes itself; the first one only, and
// other placeholders (%*, %I, a second file) are dropped. A command without
// one gets the file at its end, as the shell gives it.
function launchArguments(rest) {
    var placed = false;
    var args = rest.replace(/\s*("%[1LlVv]"|%[1LlVv]|%\*|%[Ii])/g, function (match, placeholder) {
        if (placed || !/[1LlVv]/.test(placeholder)) return "";
        placed = true;
        return match.slice(0, match.length - placeholder.length) + "%1";
    }).replace(/^\s+/, "");
    return placed ? args : (args === "" ? "%1" : args + " %1");
}

function earlierTorrentProgIds() {
    var ids = [
        readValue(USER_CHOICE),
        readValue(EARLIER + memoryName(".torrent", "")),
        readValue("HKLM\\Software\\Classes\\.torrent\\")
    ];
    var result = [];
    for (var i = 0; i < ids.length; ++i) {
        if (ids[i] !== null && ids[i] !== "" && ids[i] !== PROG_ID) result.push(ids[i]);
    }
    return result;
}

function commandOf(progId) {
    var roots = [CLASSES, "HKLM\\Software\\Classes\\"];
    for (var i = 0; i < roots.length; ++i) {
        var verb = readValue(roots[i] + progId + "\\shell\\") || "open";
        var command = readValue(roots[i] + progId + "\\shell\\" + verb + "\\command\\");
        if (command) return command;
    }
    return null;
}

// ---- Settings.ini: only the lines of the keys set change

function readText(path) {
    if (!files.FileExists(path)) return "";
    var stream = files.OpenTextFile(path, 1, false, 0);
    var text = stream.AtEndOfStream ? "" : stream.ReadAll();
    stream.Close();
    return text;
}

// Written beside the file and moved over it, so a failure leaves the old one.
function writeText(path, text) {
    var temporary = path + ".new";
    var stream = files.OpenTextFile(temporary, 2, true, 0);
    stream.Write(text);
    stream.Close();
    if (files.FileExists(path)) files.DeleteFile(path, true);
    files.MoveFile(temporary, path);
}

function iniLines(text) {
    var lines = [];
    var pattern = /([^\r\n]*)(\r\n|\r|\n|$)/g;
    var match;
    while ((match = pattern.exec(text)) !== null && match.index < text.length) {
        lines.push({body: match[1], end: match[2]});
        if (match[0].length === 0) break;
    }
    return lines;
}

function trim(text) {
    return text.replace(/^[\s\x1a]+|[\s\x1a]+$/g, "");
}

function sectionName(body) {  // the name of a "[...]" line, or null
    var line = trim(body);
    if (line.charAt(0) !== "[") return null;
    var close = line.indexOf("]");
    return trim(close < 0 ? line.slice(1) : line.slice(1, close));
}

function keyName(body) {  // the key of a "key=value" line, or null
    var line = trim(body);
    var equals = line.indexOf("=");
    if (line.charAt(0) === ";" || equals < 0) return null;
    return trim(line.slice(0, equals));
}

// Where section and key lie: {section: index of the section line or -1,
// key: index of the key line or -1, last: index of the section's last key line}.
function findKey(lines, section, key) {
    var found = {section: -1, key: -1, last: -1};
    for (var i = 0; i < lines.length; ++i) {
        var name = sectionName(lines[i].body);
        if (name !== null) {
            if (found.section >= 0) break;
            if (name.toLowerCase() === section.toLowerCase()) found.section = found.last = i;
        } else if (found.section >= 0) {
            var k = keyName(lines[i].body);
            if (k === null) continue;
            found.last = i;
            if (k.toLowerCase() === key.toLowerCase()) {
                found.key = i;
                break;
            }
        }
    }
    return found;
}

function iniValue(lines, section, key) {
    var at = findKey(lines, section, key).key;
    if (at < 0) return "";
    var body = lines[at].body;
    var value = trim(body.slice(body.indexOf("=") + 1));
    var first = value.charAt(0);
    if (value.length >= 2 && (first === '"' || first === "'") && value.charAt(value.length - 1) === first) {
        value = value.slice(1, -1);
    }
    return value;
}

// Why a value cannot be one line of Settings.ini, or "" when it can: a line
// break would make the rest of it a key or a section of its own.
function valueRefusal(value) {
    if (/[\r\n]/.test(value)) return tr("holds a line break (CR or LF)");
    if (value.indexOf(String.fromCharCode(0)) >= 0) return tr("holds a NUL character");
    return "";
}

function setIniValue(lines, section, key, value) {
    var refusal = valueRefusal(value);
    if (refusal !== "") throw new Error(tr("%s %s, which Settings.ini cannot store", key, refusal));
    var line = key + "=" + value;
    var found = findKey(lines, section, key);
    if (found.key >= 0) {
        lines[found.key].body = line;
        return;
    }
    if (found.section < 0) {
        if (lines.length > 0 && lines[lines.length - 1].end === "") lines[lines.length - 1].end = "\r\n";
        lines.push({body: "[" + section + "]", end: "\r\n"});
        found.last = lines.length - 1;
    }
    if (lines[found.last].end === "") lines[found.last].end = "\r\n";
    lines.splice(found.last + 1, 0, {body: line, end: "\r\n"});
}

function joinLines(lines) {
    var text = "";
    for (var i = 0; i < lines.length; ++i) text += lines[i].body + lines[i].end;
    return text;
}

// ---- the two actions

function adoptClient(folder) {
    var settings = folder + "\\Settings.ini";
    var lines = iniLines(readText(settings));
    var current = iniValue(lines, "Settings", "LaunchPath");
    if (current !== "" && files.FileExists(current)) {
        WScript.Echo(tr("Your client stays: LaunchPath=%s", current));
        return;
    }
    var ids = earlierTorrentProgIds();
    var command = null;
    for (var i = 0; i < ids.length && command === null; ++i) command = commandOf(ids[i]);
    if (command === null) {
        WScript.Echo(tr("No earlier program for .torrent files: set LaunchPath and LaunchArguments in %s", settings));
        return;
    }
    var split = splitCommand(command);
    if (contains(OPENERS, baseName(split.program).toLowerCase())) {
        WScript.Echo(tr("The earlier program for .torrent files is no client (%s): set LaunchPath and LaunchArguments in %s",
                        split.program, settings));
        return;
    }
    if (!files.FileExists(split.program)) {
        WScript.Echo(tr("The earlier program for .torrent files is not there (%s): set LaunchPath and LaunchArguments in %s",
                        split.program, settings));
        return;
    }
    var args = launchArguments(split.rest);
    var refusal = valueRefusal(split.program + args);
    if (refusal !== "") {
        WScript.Echo(tr("The earlier program's command for .torrent files %s, which Settings.ini cannot store: set LaunchPath and LaunchArguments in %s",
                        refusal, settings));
        return;
    }
    setIniValue(lines, "Settings", "LaunchPath", split.program);
    setIniValue(lines, "Settings", "LaunchArguments", args);
    writeText(settings, joinLines(lines));
    WScript.Echo(tr("Your client, from the earlier program for .torrent files, in %s:", settings));
    WScript.Echo("  LaunchPath=" + split.program);
    WScript.Echo("  LaunchArguments=" + args);
}

function register(folder) {
    var tavrin = folder + "\\Tavrin.exe";
    if (!files.FileExists(tavrin)) {
        WScript.Echo(tr("No Tavrin.exe in %s", folder));
        return 1;
    }
    var groups = handlerGroups(tavrin);
    for (var i = 0; i < groups.length; ++i) takeGroup(groups[i]);
    writeProgId(tavrin);
    writeCapabilities(tavrin);
    WScript.Echo(tr(".torrent files and magnet links now open with %s", tavrin));
    var choice = readValue(USER_CHOICE);
    if (choice !== null && choice !== PROG_ID) {
        WScript.Echo(tr("Windows keeps your own choice for .torrent files (%s): right-click a .torrent file, Open with, Choose another app, and pick Tavrin.exe to change it.",
                        choice));
    }
    adoptClient(folder);
    return 0;
}

function unregister(folder) {
    var groups = handlerGroups(folder + "\\Tavrin.exe");
    for (var i = 0; i < groups.length; ++i) giveBackGroup(groups[i]);
    deleteKey(CLASSES + PROG_ID);
    if (keyExists(CLASSES + OPEN_WITH)) {
        if (readValue(CREATED + memoryName(OPEN_WITH, "")) !== null) deleteKey(CLASSES + OPEN_WITH);
        else deleteValue(CLASSES + OPEN_WITH, PROG_ID);
    }
    removeCapabilities();
    deleteKey(MEMORY.slice(0, -1));
    WScript.Echo(tr(".torrent files and magnet links open again with what opened them before"));
    return 0;
}

function main() {
    var action = WScript.Arguments.length === 1 ? WScript.Arguments.Item(0) : "";
    var folder = files.GetParentFolderName(WScript.ScriptFullName);
    try {
        if (action === "register") return register(folder);
        if (action === "unregister") return unregister(folder);
        if (action === "defaults") return offerDefaults();
        if (action === "page") return printPage();
    } catch (e) {
        WScript.Echo(tr("Failed: %s (%s)", e.message, (e.number >>> 0).toString(16)));
        return 1;
    }
    WScript.Echo(tr("Usage: %s register|unregister|defaults|page", "cscript //nologo registration.js"));
    return 2;
}

WScript.Quit(main());
