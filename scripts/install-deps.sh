#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config ccache
  libsqlite3-dev libcurl4-openssl-dev libxml2-dev zlib1g-dev nlohmann-json3-dev
  libyajl-dev  # the news reply, parsed as it arrives
  libicu-dev libcpp-httplib-dev libmicrohttpd-dev libssl-dev libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev  # the fuzz build: clang and its fuzzer and sanitizer runtimes
  libjpeg62-turbo-dev libpng-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libexif-dev libwebp-dev libheif-dev libgif-dev  # photo orientation, WebP, HEIC, GIF pictures
  # the graphical client: Qt Quick, the QML modules its windows use, a font for Chinese text
  qt6-base-dev qt6-declarative-dev qml6-module-qtquick qml6-module-qtquick-window
  qml6-module-qtquick-controls qml6-module-qtquick-templates qml6-module-qtquick-layouts
  qml6-module-qtquick-dialogs qml6-module-qt-labs-folderlistmodel qml6-module-qtqml-workerscript
  fonts-noto-cjk qt6-translations-l10n  # Qt's own texts (the file dialog's) in Chinese
  # the installable application: its icon drawn at each size, the checks of its desktop entry
  # and AppStream file
  librsvg2-bin desktop-file-utils appstream)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
