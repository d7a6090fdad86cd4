import QtQuick
import QtQuick.Controls.Basic
import Vokari

// A picker: one wheel per column, the selected row in the middle band.
Item {
    id: picker
    property var value: ({})
    property int element: -1
    property int serial: -1
    readonly property var columns: value.columns || []
    visible: !value.hidden
    implicitHeight: 180

    Rectangle {
        x: Theme.margin
        width: parent.width - 2 * Theme.margin
        height: parent.height
        radius: Theme.radius
        color: Theme.card
        Rectangle {  // the selection band
            anchors.verticalCenter: parent.verticalCenter
            x: 8
            width: parent.width - 16
            height: 36
            radius: 8
            color: "#eef2f9"
        }
        Row {
            anchors.fill: parent
            Repeater {
                model: picker.columns.length
                delegate: Tumbler {
                    id: wheel
                    required property int index
                    objectName: "picker:" + index
                    width: picker.columns.length ? (picker.width - 2 * Theme.margin) / picker.columns.length : 0
                    height: 180
                    visibleItemCount: 5
                    model: picker.columns[index]
                    wrap: false
                    readonly property int selected: (picker.value.selected || [])[index] || 0
                    currentIndex: selected
                    onCurrentIndexChanged: if (currentIndex >= 0 && currentIndex !== selected && !moving)
                        client.pick(picker.serial, picker.element, index, currentIndex)
                    onMovingChanged: if (!moving && currentIndex !== selected)
                        client.pick(picker.serial, picker.element, index, currentIndex)
                    delegate: Text {
                        required property var modelData
                        required property int index
                        text: modelData
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        elide: Text.ElideRight
                        color: Theme.text
                        font.pixelSize: 15
                        opacity: 1.0 - Math.abs(Tumbler.displacement) / (wheel.visibleItemCount / 2) * 0.7
                    }
                }
            }
        }
    }
}
