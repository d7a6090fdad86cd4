import QtQuick
import QtQuick.Controls.Basic
import Vokari

// A text input: caption, placeholder, secure entry, the keyboard kind as an input hint, one or
// several lines. Every edit goes to the screen at once, like a phone's text field. Only the
// editor it needs is made. Return ends the editing of several lines (a phone's return key
// there closes the keyboard) and Tab leaves them, like any other input.
Item {
    id: input
    property var value: ({})
    property int element: -1
    property int serial: -1
    readonly property bool multiline: !!value.multiline
    readonly property Item editor: editorLoader.item
    readonly property string name: value.label || value.placeholder || ""
    objectName: "input:" + (value.placeholder || value.label || "")
    visible: !value.hidden
    implicitHeight: (caption.visible ? caption.implicitHeight + 4 : 0) + box.height + 4
    // Editing ended by Return keeps the focus here, on the input but not in it, so that Tab
    // goes on from it and nothing is typed by accident.
    activeFocusOnTab: false

    function hints(keyboard) {
        switch (keyboard) {
        case "number": return Qt.ImhDigitsOnly
        case "phone": return Qt.ImhDialableCharactersOnly
        case "numbers": return Qt.ImhFormattedNumbersOnly
        default: return Qt.ImhNone
        }
    }
    function takeFocus() { if (editor) editor.forceActiveFocus(Qt.OtherFocusReason) }
    function edited(text) { client.edit(input.serial, input.element, text) }
    // Tab from the editor, or from the input whose editing Return ended, goes to the next control
    // (a text of several lines would take it as a character).
    function leave(event, forward) {
        event.accepted = true
        const next = (forward && editor ? editor : input).nextItemInFocusChain(forward)
        if (next) next.forceActiveFocus(forward ? Qt.TabFocusReason : Qt.BacktabFocusReason)
    }
    Keys.onTabPressed: (event) => leave(event, true)
    Keys.onBacktabPressed: (event) => leave(event, false)
    function focusLeft() {
        if (input.serial === client.screenSerial) client.endEditing(input.serial, input.element)
    }

    Text {
        id: caption
        x: Theme.margin
        visible: (input.value.label || "") !== ""
        text: input.value.label || ""
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
        color: input.value.enabled === false ? "#ebebef" : Theme.card
        readonly property bool focused: (input.editor && input.editor.activeFocus) || input.activeFocus
        border.width: focused ? 2 : 1
        border.color: focused ? Theme.accent : Theme.separator

        Loader {
            id: editorLoader
            anchors.fill: parent
            sourceComponent: input.multiline ? areaEditor : fieldEditor
        }
    }
    FocusMark { target: box; visible: input.activeFocus }

    Component {
        id: fieldEditor
        TextField {
            objectName: "editor"
            leftPadding: 12
            rightPadding: 12
            background: null
            font.pixelSize: Theme.fontSize
            color: Theme.text
            placeholderText: input.value.placeholder || ""
            placeholderTextColor: Theme.hint
            text: input.value.text || ""
            enabled: input.value.enabled !== false
            echoMode: input.value.secure ? TextInput.Password : TextInput.Normal
            inputMethodHints: input.hints(input.value.keyboard)
            selectByMouse: true
            // Qt tells no name for a secure input; its description still says what it is for.
            Accessible.name: input.name
            Accessible.description: input.name
            onTextEdited: input.edited(text)
            onAccepted: client.returnKey(input.serial, input.element)
            onActiveFocusChanged: if (!activeFocus) input.focusLeft()
        }
    }
    Component {
        id: areaEditor
        TextArea {
            id: area
            objectName: "editorArea"
            padding: 10
            background: null
            wrapMode: TextEdit.Wrap
            font.pixelSize: Theme.fontSize
            color: Theme.text
            placeholderText: input.value.placeholder || ""
            placeholderTextColor: Theme.hint
            text: input.value.text || ""
            enabled: input.value.enabled !== false
            selectByMouse: true
            Accessible.name: input.name
            Accessible.multiLine: true
            onTextChanged: if (activeFocus && text !== (input.value.text || "")) input.edited(text)
            onActiveFocusChanged: if (!activeFocus) input.focusLeft()
            Keys.onReturnPressed: (event) => area.endEditing(event)
            Keys.onEnterPressed: (event) => area.endEditing(event)
            Keys.onTabPressed: (event) => input.leave(event, true)
            Keys.onBacktabPressed: (event) => input.leave(event, false)
            function endEditing(event) {
                if (event.modifiers & Qt.ShiftModifier) {  // a line break on purpose
                    event.accepted = false
                    return
                }
                event.accepted = true
                client.returnKey(input.serial, input.element)
                input.forceActiveFocus(Qt.OtherFocusReason)
            }
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
    onFocusedChanged: if (focused) takeFocus()
    Component.onCompleted: if (focused) takeFocus()
}
