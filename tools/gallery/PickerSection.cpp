// The real key function picker on each of its pages and in colour mode,
// driven the way a user drives it: page buttons, typed keys, a menu choice.
#include "Sections.h"

#include "app/Config.h"
#include "app/Paths.h"
#include "controls/CComboBtn.h"
#include "controls/CPngBtn.h"
#include "controls/CTreeCtrlEx.h"
#include "controls/WindowMessage.h"
#include "macro/KeyLabel.h"
#include "macro/MacroCatalog.h"
#include "macro/MacroFile.h"
#include "macro/MacroLibrary.h"
#include "model/KeyNames.h"
#include "platform/KeyCodes.h"
#include "ui/CKeyFunPickDlg.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QStandardItem>
#include <QTemporaryDir>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace kavrel::gallery {

namespace {

// Types a key at the picker as the window system delivers it: with the
// native scan code of the key.
void typeKey(QWidget& target, int virtualKey, bool down)
{
    const int evdev = platform::evdevOfVirtualKey(virtualKey);
    if (evdev < 0)
        return;
    QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, 0, Qt::NoModifier, quint32(evdev + 8), 0, 0);
    QCoreApplication::sendEvent(&target, &event);
}

void writeMacro(const std::filesystem::path& path, std::uint32_t id)
{
    std::filesystem::create_directories(path.parent_path());
    StMacro macro;
    std::memset(&macro, 0, sizeof macro);
    macro.dwMagicNumber = MacroMagic;
    macro.dwId = id;
    const MacroFileBytes bytes = EncodeMacroFile(macro);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A small macro library in a folder of its own, made the application-data folder.
void sampleLibrary(const QTemporaryDir& folder)
{
    const std::filesystem::path root = std::filesystem::path(folder.path().toStdString()) / "Mac";
    writeMacro(root / "Shooters" / "Rocket jump.mck", 1);
    writeMacro(root / "Shooters" / "Weapon cycle.mck", 2);
    writeMacro(root / "Build order.mck", 3);
    writeMacro(root / "Greeting.mck", 4);
    SetAppDataFolderOverride(folder.path().toStdString());
    ReloadMacroLibrary(); // the picker lists the catalog, as the program does after loading the library
}

void selectLeaf(CTreeCtrlEx& tree, const QString& text)
{
    tree.WalkChildren(
        tree.RootItem(),
        [&](TreeItem item, TreeItemRec* record, const QString& itemText, void*) {
            if (record->nKind == TreeLeaf && itemText == text) {
                if (item->parent())
                    tree.expand(item->parent()->index());
                tree.selectItem(item);
            }
            return 0;
        },
        nullptr, true);
}

QImage grabbed(CKeyFunPickDlg& picker)
{
    picker.show();
    QCoreApplication::processEvents();
    const QImage image = picker.grab().toImage();
    picker.hide();
    return image;
}

QImage comboPage()
{
    KEYINFO key = KeyTable[1];
    CKeyFunPickDlg picker(nullptr, key, QString::fromStdString(keyinfo_to_text(key)));
    picker.showPage(CKeyFunPickDlg::ComboPage);
    for (int code : {162, 161, 0x41}) // left Ctrl, right Shift, A
        typeKey(picker, code, true);
    return grabbed(picker);
}

QImage macroPage(const QTemporaryDir& library)
{
    sampleLibrary(library);
    KEYINFO key = KeyTable[2];
    CKeyFunPickDlg picker(nullptr, key, QString::fromStdString(keyinfo_to_text(key)));
    picker.showPage(CKeyFunPickDlg::MacroPage);
    if (CTreeCtrlEx* tree = picker.macroTree())
        selectLeaf(*tree, "Weapon cycle");
    return grabbed(picker);
}

QImage mediaPage()
{
    KEYINFO key = KeyTable[3];
    CKeyFunPickDlg picker(nullptr, key, QString::fromStdString(keyinfo_to_text(key)));
    picker.showPage(CKeyFunPickDlg::MediaPage);
    if (CComboBtn* media = picker.mediaDropDown())
        sendWindowMessage(media, MsgMenuCommand, MediaChoices[6].value, 0);
    return grabbed(picker);
}

QImage colourMode()
{
    KEYINFO key = KeyTable[4];
    CKeyFunPickDlg picker(nullptr, key, QString::fromStdString(keyinfo_to_text(key)));
    picker.setColourMode(true);
    return grabbed(picker);
}

QImage emptyLibrary()
{
    QTemporaryDir empty;
    SetAppDataFolderOverride(empty.path().toStdString());
    ReloadMacroLibrary();
    KEYINFO key = KeyTable[5];
    CKeyFunPickDlg picker(nullptr, key, QString::fromStdString(keyinfo_to_text(key)));
    picker.showPage(CKeyFunPickDlg::MacroPage);
    return grabbed(picker);
}

} // namespace

void addKeyFunctionPicker(GalleryCanvas& canvas)
{
    const int top = canvas.beginSection("Key function picker",
        "CKeyFunPickDlg: page 1 after typing left Ctrl, right Shift, A; page 2 with a macro chosen; page 3 "
        "after choosing a media key; colour mode; page 2 with an empty library");
    QTemporaryDir library;
    const QImage pictures[] = {comboPage(), macroPage(library), mediaPage(), colourMode(), emptyLibrary()};
    const QSize size = logicalSize(pictures[0]);
    const int step = GalleryCanvas::Margin + size.width() + 40;
    int bottom = top;
    for (std::size_t i = 0; i < std::size(pictures); ++i) {
        const QPoint at(GalleryCanvas::Margin + int(i % 2) * step, top + int(i / 2) * (size.height() + 30));
        auto* surface = new SkinSurface(&canvas, pictures[i], at);
        bottom = std::max(bottom, surface->geometry().bottom());
    }
    canvas.endSection(bottom);
}

} // namespace kavrel::gallery
