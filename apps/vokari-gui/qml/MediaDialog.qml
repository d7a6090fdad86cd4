import QtQuick
import QtQuick.Dialogs
import QtQuick.Layouts
import Vokari

// The desktop's media picker: a file dialog for the pictures and movies a screen asks for
// (an attachment of a report). Its answer goes back to the core's picker; closing it cancels.
// Where Qt draws the dialog itself (no desktop dialog to hand), it is laid out for a desktop:
// here it takes the whole phone-shaped window, and its buttons go on a line of their own so that
// the filter and the files' sizes and dates keep their room.
FileDialog {
    id: dialog
    objectName: "mediaDialog"
    title: "选择图片或视频"
    fileMode: FileDialog.OpenFile
    onAccepted: client.answerPicker(dialog.selectedFile.toString())
    onRejected: client.cancelPicker()

    function fitWindow() {
        const popup = windowHelper.dialogPopup(dialog)
        const window = dialog.parentWindow
        if (!popup || !window) return
        popup.x = 0
        popup.y = 0
        popup.width = Qt.binding(() => window.width)
        popup.height = Qt.binding(() => window.height)
        const grid = popup.footer ? popup.footer.children[0] : null
        for (let i = 0; grid && i < grid.children.length; ++i) {
            const buttons = grid.children[i]
            if (buttons.standardButtons === undefined) continue
            buttons.Layout.row = 2
            buttons.Layout.column = 0
            buttons.Layout.columnSpan = 3
            buttons.Layout.alignment = Qt.AlignRight
        }
    }

    Connections {
        target: client
        function onPickerOpened(nameFilters) {
            dialog.nameFilters = nameFilters
            dialog.open()
            dialog.fitWindow()
        }
    }
}
