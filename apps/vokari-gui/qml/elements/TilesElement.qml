import QtQuick
import Vokari

// Buttons of the tile role drawn as a grid of large tiles, three to a row: the entries of a hub
// screen. Each tile is
// placed by its own binding rather than by a Grid: a Grid lays out only at the next frame, and
// until then every tile of a screen just shown lies on top of the last one, so a click arriving
// in between (a quick tap after going back) would open the wrong entry.
Item {
    id: tiles
    property var value: ({})
    property int element: -1
    property int serial: -1
    readonly property var items: value.items || []
    readonly property int columns: 3
    readonly property real tileWidth: (width - 2 * Theme.margin - (columns - 1) * 12) / columns
    readonly property real tileHeight: Math.min(tileWidth * 1.1, 170)
    readonly property real spacing: 12
    // Hidden tiles leave no gap: each shown tile's place counts only the shown ones before it.
    readonly property var places: {
        let out = [], n = 0
        for (let i = 0; i < items.length; ++i) out.push(items[i].hidden ? -1 : n++)
        return out
    }
    readonly property int shown: places.filter(p => p >= 0).length
    readonly property int rows: Math.ceil(shown / columns)
    implicitHeight: (rows > 0 ? rows * tileHeight + (rows - 1) * spacing : 0) + 8

    Item {
        id: grid
        x: Theme.margin
        y: 4
        Repeater {
            model: tiles.items
            delegate: Pressable {
                id: tile
                required property var modelData
                required property int index
                readonly property color tint: Theme.tileColors[index % Theme.tileColors.length]
                readonly property int place: Math.max(0, tiles.places[index] || 0)
                objectName: "tile:" + modelData.title
                visible: !modelData.hidden
                x: (place % tiles.columns) * (tiles.tileWidth + tiles.spacing)
                y: Math.floor(place / tiles.columns) * (tiles.tileHeight + tiles.spacing)
                width: tiles.tileWidth
                height: tiles.tileHeight
                text: modelData.title
                enabled: !!modelData.enabled
                opacity: enabled ? 1 : 0.5
                onClicked: client.press(tiles.serial, tile.modelData.element)
                background: Rectangle {
                    radius: 16
                    color: tile.down ? Qt.darker(Theme.card, 1.06) : Theme.card
                    border.color: Theme.separator
                }
                Rectangle {
                    id: badge
                    anchors.horizontalCenter: parent.horizontalCenter
                    y: parent.height * 0.18
                    width: parent.height * 0.42
                    height: width
                    radius: width / 2
                    color: tile.tint
                    Text {
                        anchors.centerIn: parent
                        text: tile.modelData.title.charAt(0)
                        color: "white"
                        font.pixelSize: parent.width * 0.45
                        font.bold: true
                    }
                }
                Text {
                    anchors { top: badge.bottom; topMargin: parent.height * 0.1
                              horizontalCenter: parent.horizontalCenter }
                    text: tile.modelData.title
                    color: Theme.text
                    font.pixelSize: Math.min(18, tiles.tileWidth / 6)
                    font.bold: true
                }
            }
        }
    }
}
