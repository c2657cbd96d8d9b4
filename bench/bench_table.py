#!/usr/bin/env python3
"""The closing table of `make bench`.

Reads the "metric <key> <value> [label]" lines the benchmark programs print
(a key seen more than once counts with its median), adds the ratios, prints
one table beside the previous run's figures and writes both the figures and
the ratios to results.json (the previous file is kept as
results.previous.json). Nothing here passes or fails on a figure.

  bench_table.py <metric lines file> <output folder>
"""
import json
import os
import statistics
import subprocess
import sys
import time


def read_metrics(path):
    values, labels = {}, {}
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            parts = line.split(None, 3)
            if len(parts) < 3 or parts[0] != "metric":
                continue
            try:
                value = float(parts[2])
            except ValueError:
                continue
            values.setdefault(parts[1], []).append(value)
            if len(parts) == 4:
                labels[parts[1]] = parts[3].strip()
    return {k: statistics.median(v) for k, v in values.items()}, labels


def ratio(m, a, b):
    if m.get(a) is None or not m.get(b):
        return None
    return m[a] / m[b]


def derived(m):
    r = {}
    for style in (0, 1):
        k50, k10 = f"tabs.draw_style{style}_50_us", f"tabs.draw_style{style}_10_us"
        if k50 in m and k10 in m:
            r[f"tabs.per_added_tab_style{style}_us"] = (m[k50] - m[k10]) / 40
            if m.get("tabs.nine_slice_us"):
                r[f"tabs.per_added_tab_style{style}_over_one_fill"] = r[f"tabs.per_added_tab_style{style}_us"] / m[
                    "tabs.nine_slice_us"]
    r["startup.splash_over_bare"] = ratio(m, "startup.splash_ms", "startup.bare_window_ms")
    r["startup.splash_over_browser"] = ratio(m, "startup.splash_ms", "startup.browser_window_ms")
    r["download.clumdownloadfile_over_urldownloadtofile"] = ratio(m, "download.clumdownloadfile_mb_s",
                                                                  "download.urldownloadtofile_mb_s")
    return {k: v for k, v in r.items() if v is not None}


# (heading or key, label, format); a heading has no format.
ROWS = [
    ("tab strip drawing (us per full redraw, strip 1200 px)", None, None),
    ("tabs.draw_style0_1_us", "style 0, 1 tab", "{:.0f}"),
    ("tabs.draw_style0_20_us", "style 0, 20 tabs", "{:.0f}"),
    ("tabs.draw_style0_50_us", "style 0, 50 tabs", "{:.0f}"),
    ("tabs.draw_style1_20_us", "style 1, 20 tabs", "{:.0f}"),
    ("tabs.per_added_tab_style0_us", "cost per added tab, style 0 (10 -> 50)", "{:.1f}"),
    ("tabs.per_added_tab_style1_us", "cost per added tab, style 1 (10 -> 50)", "{:.1f}"),
    ("tabs.nine_slice_us", "one tab's fill drawn anew (NineSliceBlt)", "{:.0f}"),
    ("tabs.per_added_tab_style0_over_one_fill", "added tab / one tab's fill, style 0", "{:.3f}"),
    ("start-up to the first window (ms, median)", None, None),
    ("startup.bare_window_ms", "bare Win32 window", "{:.0f}"),
    ("startup.browser_window_ms", "bare window with a hidden browser control", "{:.0f}"),
    ("startup.splash_ms", "vorn2.exe splash", "{:.0f}"),
    ("startup.splash_over_bare", "splash / bare window", "{:.2f}"),
    ("startup.splash_over_browser", "splash / bare window with a browser", "{:.2f}"),
    ("download of 200 MB (MB/s)", None, None),
    ("download.clumdownloadfile_mb_s", "CLumDownLoadFile", "{:.0f}"),
    ("download.urldownloadtofile_mb_s", "URLDownloadToFileW", "{:.0f}"),
    ("download.curl_mb_s", "curl, native", "{:.0f}"),
    ("download.clumdownloadfile_over_urldownloadtofile", "CLumDownLoadFile / URLDownloadToFileW", "{:.2f}"),
    ("memory, committed / working set (MB)", None, None),
    ("memory.browser_window", "bare window with a browser, at its window", "pair"),
    ("memory.splash", "vorn2.exe at its splash", "pair"),
    ("memory.login_pair", "login pair shown (bench program, scripted page)", "pair"),
    ("memory.main_1_tab", "main window, 1 tab (bench program, scripted pages)", "pair"),
    ("memory.main_10_tabs", "main window, 10 tabs (same)", "pair"),
    ("memory.leak_check_before_mb", "100 tabs through DDE, twice: committed before", "{:.1f}"),
    ("memory.leak_check_after_mb", "100 tabs through DDE, twice: committed after", "{:.1f}"),
    ("update check (us, median of 100)", None, None),
    ("update.signature_check_us", "version file signature (ECDSA P-256, CNG)", "{:.0f}"),
    ("DDE execute round trip (ms)", None, None),
    ("dde.open_page_ms", "a page already open (selected)", "{:.2f}"),
    ("dde.new_page_ms", "a new page (new tab; strip grows to 201)", "{:.2f}"),
]


def cell(figures, key, fmt):
    if fmt == "pair":
        c, w = figures.get(key + "_committed_mb"), figures.get(key + "_working_set_mb")
        return "-" if c is None or w is None else f"{c:.1f} / {w:.1f}"
    v = figures.get(key)
    return "-" if v is None else fmt.format(v)


def main():
    metrics_file, out_dir = sys.argv[1], sys.argv[2]
    metrics, labels = read_metrics(metrics_file)
    figures = dict(metrics)
    figures.update(derived(metrics))

    os.makedirs(out_dir, exist_ok=True)
    results = os.path.join(out_dir, "results.json")
    previous_path = os.path.join(out_dir, "results.previous.json")
    previous, previous_labels = {}, {}
    if os.path.exists(results):
        os.replace(results, previous_path)
    if os.path.exists(previous_path):
        with open(previous_path, encoding="utf-8") as f:
            old = json.load(f)
            previous, previous_labels = old.get("figures", {}), old.get("labels", {})

    width = 52
    print()
    print("=" * 84)
    print(f"{'':{width}} {'this run':>14} {'previous run':>15}")
    for key, label, fmt in ROWS:
        if fmt is None:
            print(key)
            continue
        print(f"  {label:{width - 2}} {cell(figures, key, fmt):>14} {cell(previous, key, fmt):>15}")
    steps = sorted(k for k in metrics if k.startswith("startup.step"))
    if steps:
        # Steps are numbered in their order, which changes with the start-up: the
        # previous run's figure is the one of the step with the same name.
        previous_steps = {previous_labels.get(k): v for k, v in previous.items() if k.startswith("startup.step")}
        print("where vorn2.exe's start-up time goes (ms, median of runs of the same steps)")
        for k in steps:
            label = labels.get(k, k)
            print(f"  {label[:width - 2]:{width - 2}} {cell(figures, k, '{:.1f}'):>14} "
                  f"{cell({'v': previous_steps.get(label)}, 'v', '{:.1f}'):>15}")
    print("=" * 84)

    try:
        commit = subprocess.run(["git", "rev-parse", "--short", "HEAD"], capture_output=True, text=True,
                                check=False).stdout.strip()
    except OSError:
        commit = ""
    with open(results, "w", encoding="utf-8") as f:
        json.dump({"time": time.strftime("%Y-%m-%dT%H:%M:%S"), "commit": commit, "figures": figures,
                   "labels": labels}, f, indent=1, sort_keys=True)
    print(f"written to {results}" + (f" (previous run: {previous_path})" if previous else ""))


if __name__ == "__main__":
    main()
