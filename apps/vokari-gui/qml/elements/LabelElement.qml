import QtQuick
import Vokari

// A text, possibly several lines.
Item {
    property var value: ({})
    property int element: -1
    property int serial: -1
    visible: !value.hidden && (value.text || "") !== ""
    implicitHeight: label.implicitHeight + 8

    Text {
        id: label
        objectName: "label"
        x: Theme.margin
        y: 4
        width: parent.width - 2 * Theme.margin
        text: value.text || ""
        wrapMode: Text.Wrap
        color: Theme.text
        font.pixelSize: 15
        lineHeight: 1.15
    }
}
