pragma Singleton
import QtQuick

// One place for the client's colours, sizes and fonts.
QtObject {
    readonly property string font: "Noto Sans CJK SC"
    readonly property color background: "#f2f3f7"
    readonly property color card: "#ffffff"
    readonly property color text: "#1c1c1e"
    readonly property color secondary: "#6e6e73"
    readonly property color hint: "#a0a0a8"
    readonly property color separator: "#e0e0e6"
    readonly property color accent: "#1d5fbf"       // police blue
    readonly property color accentPressed: "#164a96"
    readonly property color danger: "#d93025"
    readonly property color success: "#1e8e3e"
    readonly property color barBackground: "#1d5fbf"
    readonly property color barText: "#ffffff"
    readonly property color focus: "#f29900"        // the keyboard focus ring, on blue and white
    readonly property int margin: 16
    readonly property int radius: 10
    readonly property int barHeight: 52
    readonly property int rowHeight: 48
    readonly property int fontSize: 16
    readonly property int smallFontSize: 13
    // Tile colours of a hub screen, in order.
    readonly property var tileColors: ["#d93025", "#1d5fbf", "#1e8e3e", "#e37400", "#8e44ad", "#546e7a"]
}
