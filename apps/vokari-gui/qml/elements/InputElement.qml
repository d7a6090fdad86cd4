import QtQuick
import QtQuick.Controls.Basic
import Vokari

// A text input: caption, placeholder, secure entry, the keyboard kind as an input hint, one or
// several lines. Every edit goes to the screen at once, like a phone's text field.
Item {
    id: input
    property var value: ({})
    property int element: -1
    property int serial: -1
    readonly property bool multiline: !!value.multiline
    readonly property var editor: multiline ? area : field
    objectName: "input:" + (value.placeholder || value.label || "")
    visible: !value.hidden
    implicitHeight: (caption.visible ? caption.implicitHeight + 4 : 0) + box.height + 4

    function hints(keyboard) {
        switch (keyboard) {
        case "number": return Qt.ImhDigitsOnly
        case "phone": return Qt.ImhDialableCharactersOnly
        case "numbers": return Qt.ImhFormattedNumbersOnly
        default: return Qt.ImhNone
        }
    }

    Text {
        id: caption
        x: Theme.margin
        visible: (value.label || "") !== ""
        text: value.label || ""
        color: Theme.secondary
        font.pixelSize: Theme.smallFontSize
    }

    Rectangle {
        id: box
        x: Theme.margin
        y: caption.visible ? caption.implicitHeight + 4 : 0
        width: parent.width - 2 * Theme.margin
        height: input.multiline ? 120 : 46
        radius: Theme.radius
        color: value.enabled === false ? "#ebebef" : Theme.card
        border.width: input.editor.activeFocus ? 2 : 1
        border.color: input.editor.activeFocus ? Theme.accent : Theme.separator

        TextField {
            id: field
            objectName: "editor"
            visible: !input.multiline
            anchors.fill: parent
            leftPadding: 12
            rightPadding: 12
            background: null
            font.pixelSize: Theme.fontSize
            color: Theme.text
            placeholderText: value.placeholder || ""
            placeholderTextColor: Theme.hint
            text: value.text || ""
            enabled: value.enabled !== false
            echoMode: value.secure ? TextInput.Password : TextInput.Normal
            inputMethodHints: input.hints(value.keyboard)
            selectByMouse: true
            onTextEdited: client.edit(input.serial, input.element, text)
            onAccepted: client.returnKey(input.serial, input.element)
            onActiveFocusChanged: if (!activeFocus && input.serial === client.screenSerial)
                client.endEditing(input.serial, input.element)
        }
        TextArea {
            id: area
            objectName: "editorArea"
            visible: input.multiline
            anchors.fill: parent
            padding: 10
            background: null
            wrapMode: TextEdit.Wrap
            font.pixelSize: Theme.fontSize
            color: Theme.text
            placeholderText: value.placeholder || ""
            placeholderTextColor: Theme.hint
            text: value.text || ""
            enabled: value.enabled !== false
            selectByMouse: true
            onTextChanged: if (activeFocus && text !== (value.text || ""))
                client.edit(input.serial, input.element, text)
            onActiveFocusChanged: if (!activeFocus && input.serial === client.screenSerial)
                client.endEditing(input.serial, input.element)
        }
    }

    // A refused value: the input shakes once for each time the screen asked.
    property int shakes: value.shakes || 0
    onShakesChanged: if (shakes > 0) shake.restart()
    SequentialAnimation {
        id: shake
        loops: 2
        NumberAnimation { target: box; property: "x"; to: Theme.margin - 8; duration: 40 }
        NumberAnimation { target: box; property: "x"; to: Theme.margin + 8; duration: 80 }
        NumberAnimation { target: box; property: "x"; to: Theme.margin; duration: 40 }
    }

    property bool focused: !!value.focused
    onFocusedChanged: if (focused) editor.forceActiveFocus()
    Component.onCompleted: if (focused) editor.forceActiveFocus()
}
