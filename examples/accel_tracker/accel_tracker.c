/*
 * Accelerometer tracker: streams the three axes of the board's
 * accelerometer ten times a second until it reads the byte 0x02 on its
 * standard input. Lines have the form name;seconds;x;y;z (in g).
 *
 * The board's sensitivity is looked up in a table; the calibration offset
 * below is left unused on purpose, so the build shows a compiler warning.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#include <time.h>
#include <unistd.h>
#endif

#ifndef CARTRIX_BOARD
#define CARTRIX_BOARD "AX3-Mini"
#endif

#define PERIOD_MS 100
#define STOP_BYTE 0x02

static int stop_requested(void)
{
    unsigned char byte = 0;
#ifdef _WIN32
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD available = 0, got = 0;
    while (PeekNamedPipe(in, NULL, 0, NULL, &available, NULL) && available > 0) {
        if (!ReadFile(in, &byte, 1, &got, NULL) || got == 0)
            return 0;
        if (byte == STOP_BYTE)
            return 1;
    }
#else
    struct pollfd in = { 0, POLLIN, 0 };
    while (poll(&in, 1, 0) > 0 && (in.revents & POLLIN)) {
        if (read(0, &byte, 1) != 1)
            return 0;
        if (byte == STOP_BYTE)
            return 1;
    }
#endif
    return 0;
}

static void sleep_ms(int ms)
{
#ifdef _WIN32
    Sleep(ms);
#else
    struct timespec pause = { ms / 1000, (ms % 1000) * 1000000L };
    nanosleep(&pause, NULL);
#endif
}

static double board_range_g(const char *board)
{
    if (strcmp(board, "AX3-Max") == 0)
        return 16.0;
    if (strcmp(board, "AX6 IMU") == 0)
        return 8.0;
    return 2.0;
}

int main(void)
{
    int calibration_offset = 0;
    const double range = board_range_g(CARTRIX_BOARD);
    printf("Accelerometer tracker on board %s, range +/-%.0f g\n", CARTRIX_BOARD, range);
    fflush(stdout);

    for (long tick = 0; !stop_requested(); ++tick) {
        const double t = tick * PERIOD_MS / 1000.0;
        const double sway = range / 16.0;
        printf("accel;%.3f;%.4f;%.4f;%.4f\n", t, sway * sin(t * 1.3),
               sway * cos(t * 0.7), 1.0 + 0.02 * sin(t * 5.0));
        fflush(stdout);
        sleep_ms(PERIOD_MS);
    }
    printf("Stop requested, tracker halted.\n");
    return 0;
}
