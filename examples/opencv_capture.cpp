// Frames of the camera in OpenCV, through GStreamer: rezivesrc gives BGR frames, which is what
// OpenCV takes, and videoconvert turns any other format the pipeline asks for into them.
//
// Without a camera attached, the virtual camera stands in only when asked for, and a build
// tree's element is found through GST_PLUGIN_PATH:
//
//     export GST_PLUGIN_PATH=build/release/gstreamer
//     REZIVE_VIRTUAL_CAMERAS=1 build/release/examples/opencv_capture 100
#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100;
    if (count < 1) {
        std::fprintf(stderr, "usage: opencv_capture [frames (1 or more, 100 by default)]\n");
        return 64;
    }
    cv::VideoCapture capture("rezivesrc ! videoconvert ! appsink", cv::CAP_GSTREAMER);
    if (!capture.isOpened()) {
        std::fprintf(stderr, "opencv_capture: the pipeline did not start (is rezivesrc found, "
                             "is a camera there?)\n");
        return 1;
    }
    cv::Mat frame;
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < count; ++n) {
        if (!capture.read(frame) || frame.empty()) {
            std::fprintf(stderr, "opencv_capture: the stream ended after %d frames\n", n);
            return 1;
        }
        if (n == 0)
            std::printf("opencv_capture: %d x %d, %d channels\n", frame.cols, frame.rows,
                        frame.channels());
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("opencv_capture: %d frames, %.1f frames/s, mean of the last %.1f\n", count,
                count / elapsed.count(), cv::mean(frame)[0]);
    return 0;
}
