#!/bin/sh
# Prints N news items (default 100000) for `vokari-backend news import`, one JSON object a line:
# one a second from 2020-01-01 00:00:00 (so at most the 2678400 seconds of January), areas in
# turn, every third item with two further stories and a gap between them.
#   scripts/news-lines.sh 100000 > news.jsonl
n=${1:-100000}
awk -v n="$n" 'BEGIN {
  if (n > 2678400) { print "at most 2678400 items" > "/dev/stderr"; exit 2 }
  for (i = 0; i < n; i++) {
    t = sprintf("2020-01-%02d %02d:%02d:%02d", 1 + int(i / 86400), int(i / 3600) % 24,
                int(i / 60) % 60, i % 60)
    line = sprintf("{\"time\":\"%s\",\"area\":\"%d\",\"title\":\"通报 %d：某路段交通管制\",\"img_url\":\"\",\"new_url\":\"\"", t, 2 + i % 10, i)
    if (i % 3 == 0)
      line = line sprintf(",\"title1\":\"现场 %d\",\"new_url1\":\"http://news.example/%d/1.html\",\"title2\":\"\",\"title3\":\"后续 %d\",\"img_url3\":\"http://pic.example/%d.jpg\"", i, i, i, i)
    print line "}"
  }
}'
