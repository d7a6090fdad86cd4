import QtQuick
import QtQuick.Dialogs
import Vokari

// The desktop's media picker: a file dialog for the pictures and movies a screen asks for
// (an attachment of a report). Its answer goes back to the core's picker; closing it cancels.
FileDialog {
    id: dialog
    objectName: "mediaDialog"
    title: "选择图片或视频"
    fileMode: FileDialog.OpenFile
    onAccepted: client.answerPicker(dialog.selectedFile.toString())
    onRejected: client.cancelPicker()

    Connections {
        target: client
        function onPickerOpened(nameFilters) {
            dialog.nameFilters = nameFilters
            dialog.open()
        }
    }
}
