#!/usr/bin/env bash
# Draws the client's pictures: the eight operation buttons of the main window, the logo, the
# banner strip of the dialogs and the program icon. Run it after changing a picture; the JPEG
# files it writes are committed beside it.
set -euo pipefail

cd "$(dirname "$0")"
convert=/usr/bin/convert
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
highlight='#0078D7'  # clHighlight, the colour of the panels the logo and banner sit on

# button NAME DIGIT LABEL COLOUR GLYPH-DRAW-ARGS...: a 192 x 101 tile with a rounded 48 x 48
# icon square centred at (96, 38), the label below it and the digit key in the corner.
button() {
    local name=$1 digit=$2 label=$3 colour=$4
    shift 4
    "$convert" -size 192x101 xc:white \
        -fill '#E8E8E8' -draw 'rectangle 191,0 191,100' -draw 'rectangle 0,100 191,100' \
        -fill "$colour" -draw 'roundrectangle 72,14 120,62 11,11' \
        "$@" \
        -stroke none -font "$font" -pointsize 15 -fill '#333333' -gravity north \
        -annotate +0+70 "$label" \
        -fill '#A0A0A0' -pointsize 13 -gravity northwest -annotate +9+6 "$digit" \
        -strip -quality 92 "$name.jpg"
}

# Micro pay: a bank card.
button btnMicroPay 1 '刷卡支付' '#07C160' \
    -fill white -draw 'roundrectangle 80,26 112,50 3,3' \
    -fill '#07C160' -draw 'rectangle 80,31 112,35' -draw 'rectangle 85,41 95,44'

# Code pay: the three finder squares of a QR code and a few modules.
qr=()
for at in '80,22' '100,22' '80,42'; do
    x=${at%,*} y=${at#*,}
    qr+=(-fill white -draw "rectangle $x,$y $((x + 11)),$((y + 11))"
         -fill '#1677FF' -draw "rectangle $((x + 2)),$((y + 2)) $((x + 9)),$((y + 9))"
         -fill white -draw "rectangle $((x + 4)),$((y + 4)) $((x + 7)),$((y + 7))")
done
button btnCodePay 2 '扫码支付' '#1677FF' "${qr[@]}" \
    -fill white -draw 'rectangle 100,42 104,46' -draw 'rectangle 107,42 111,46' \
    -draw 'rectangle 100,49 104,53' -draw 'rectangle 107,49 111,53' -draw 'rectangle 104,46 107,49'

# Refund: an arrow turning back.
button btnRefund 3 '退款申请' '#FA8C16' \
    -fill none -stroke white -strokewidth 4 -draw 'ellipse 96,38 13,13 -70,180' \
    -stroke none -fill white -draw 'polygon 76,39 90,39 83,29'

# Today's refunds: a slip under a magnifying glass.
button btnRefundQuery 4 '今日退款' '#F5222D' \
    -fill white -draw 'roundrectangle 81,22 103,52 2,2' \
    -fill '#F5222D' -draw 'rectangle 85,28 99,30' -draw 'rectangle 85,34 99,36' \
    -fill none -stroke white -strokewidth 3 -draw 'circle 103,44 103,36' \
    -strokewidth 4 -draw 'line 108,49 113,54'

# Today's orders: a list.
button btnTodayOrder 5 '今日订单' '#13C2C2' \
    -fill white -draw 'roundrectangle 81,22 111,54 3,3' \
    -fill '#13C2C2' -draw 'circle 87,30 87,32' -draw 'circle 87,38 87,40' -draw 'circle 87,46 87,48' \
    -draw 'rectangle 91,29 106,31' -draw 'rectangle 91,37 106,39' -draw 'rectangle 91,45 106,47'

# Today's totals: a bar chart.
button btnTodayTotal 6 '今日汇总' '#722ED1' \
    -fill white -draw 'rectangle 81,40 87,53' -draw 'rectangle 92,32 98,53' \
    -draw 'rectangle 103,24 109,53' -draw 'rectangle 79,54 112,55'

# Printer settings: a printer with a sheet coming out.
button btnPrintSet 7 '打印设置' '#2F54EB' \
    -fill white -draw 'rectangle 86,22 106,30' -draw 'roundrectangle 78,31 114,47 3,3' \
    -fill '#2F54EB' -draw 'circle 108,36 108,37' \
    -fill white -draw 'rectangle 86,43 106,55' \
    -fill '#2F54EB' -draw 'rectangle 89,47 103,48' -draw 'rectangle 89,51 100,52'

# More settings: a gear.
button btnMore 8 '更多设置' '#595959' \
    -fill none -stroke white -strokewidth 7 \
    -draw 'line 96,23 96,53' -draw 'line 81,38 111,38' \
    -draw 'line 85,27 107,49' -draw 'line 85,49 107,27' \
    -stroke none -fill white -draw 'circle 96,38 96,26' \
    -fill '#595959' -draw 'circle 96,38 96,33'

# The logo on the cashier panel: a yen sign on a white tile, corners in the panel's colour.
"$convert" -size 59x59 "xc:$highlight" \
    -fill white -draw 'roundrectangle 0,0 58,58 14,14' \
    -font "$font" -pointsize 40 -fill '#07C160' -gravity center -annotate +0+0 '¥' \
    -strip -quality 95 logo.jpg

# The program icon (tray, taskbar).
"$convert" -size 64x64 "xc:$highlight" \
    -font "$font" -pointsize 46 -fill white -gravity center -annotate +0+0 '¥' \
    -strip -quality 95 icon.jpg

# The banner strip of the dialogs: a small logo and the name, on the panel's colour.
"$convert" -size 170x33 "xc:$highlight" \
    -fill white -draw 'roundrectangle 2,2 30,30 7,7' \
    -font "$font" -pointsize 21 -fill '#07C160' -gravity west -annotate +7+0 '¥' \
    -pointsize 17 -fill white -annotate +38+0 '海川微信支付' \
    -strip -quality 95 banner.jpg
