#!/usr/bin/env python3
"""Frames of the camera in OpenCV, through GStreamer: rezivesrc gives BGR frames, which is what
OpenCV takes, and videoconvert turns any other format the pipeline asks for into them.

Without a camera attached, the virtual camera stands in only when asked for, and a build tree's
element is found through GST_PLUGIN_PATH:

    REZIVE_VIRTUAL_CAMERAS=1 GST_PLUGIN_PATH=build/release/gstreamer \\
        python3 examples/opencv_capture.py 100

Debian's python3-opencv is built with GStreamer (cv2.getBuildInformation() says so).
"""

import sys
import time

import cv2


def main() -> int:
    count = int(sys.argv[1]) if len(sys.argv) > 1 and sys.argv[1].isdigit() else 100
    if len(sys.argv) > 2 or count < 1 or (len(sys.argv) > 1 and not sys.argv[1].isdigit()):
        print("usage: opencv_capture.py [frames (1 or more, 100 by default)]", file=sys.stderr)
        return 64
    capture = cv2.VideoCapture("rezivesrc ! videoconvert ! appsink", cv2.CAP_GSTREAMER)
    if not capture.isOpened():
        print("opencv_capture: the pipeline did not start (is rezivesrc found, is a camera "
              "there?)", file=sys.stderr)
        return 1
    try:
        start = time.monotonic()
        for n in range(count):
            ok, frame = capture.read()
            if not ok:
                print(f"opencv_capture: the stream ended after {n} frames", file=sys.stderr)
                return 1
            if n == 0:
                height, width, channels = frame.shape
                print(f"opencv_capture: {width} x {height}, {channels} channels")
        elapsed = time.monotonic() - start
        print(f"opencv_capture: {count} frames, {count / elapsed:.1f} frames/s, "
              f"mean of the last {frame.mean():.1f}")
        return 0
    finally:
        capture.release()


if __name__ == "__main__":
    sys.exit(main())
