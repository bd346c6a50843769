#!/usr/bin/env bash
# Pillow's resize(BILINEAR) on the resize cases, beside our kernel measured again in the
# same run (processor time in both). Ratio = Pillow time / our time.
set -euo pipefail
BENCH_BUILD=${BENCH_BUILD:-$(cd "$(dirname "$0")/.." && pwd)/build-bench}
"$BENCH_BUILD/bench/bench_resize" --benchmark_filter='/ours$' --benchmark_min_time=0.5 \
  --benchmark_out="$BENCH_BUILD/resize_ours.json" --benchmark_out_format=json >/dev/null 2>&1
# Debian's interpreter, where the distribution's Pillow is installed.
/usr/bin/python3 - "$BENCH_BUILD/resize_ours.json" <<'PY'
import json, os, sys, time
from PIL import Image

ours = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("run_type", "iteration") == "iteration":
        case = b["name"].split("/")[1]
        scale = {"us": 1.0, "ms": 1000.0, "ns": 0.001}[b["time_unit"]]
        ours[case] = b["cpu_time"] * scale

print(f"{'case':26} {'ours cpu us':>12} {'pillow cpu us':>14} {'ratio':>8}")
for case in ["1920x1080->50x36", "4000x3000->50x36", "400x300->1200x900",
             "1920x1080->3840x2160"]:
    src, dst = case.split("->")
    sw, sh = map(int, src.split("x"))
    dw, dh = map(int, dst.split("x"))
    img = Image.frombytes("RGB", (sw, sh), os.urandom(sw * sh * 3))
    img.resize((dw, dh), Image.BILINEAR)  # warm up
    n, spent = 0, 0.0
    start = time.process_time()
    while spent < 0.5 or n < 3:
        img.resize((dw, dh), Image.BILINEAR)
        n += 1
        spent = time.process_time() - start
    pil = spent / n * 1e6
    o = ours.get(case)
    print(f"{case:26} {o:12.1f} {pil:14.1f} {pil / o:8.2f}" if o else f"{case:26} {'-':>12} {pil:14.1f}")
PY
