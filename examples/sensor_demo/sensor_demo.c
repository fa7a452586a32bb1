/*
 * Sensor demo: a multi-sensor board reporting pressure, light and a
 * three-axis gyroscope, one signal per line as name;seconds;values.
 *
 * On "Demo Live" it reports in real time; on "Demo Stream" it prints as fast
 * as it can. Both run until the byte 0x02 arrives on standard input. A
 * number given as the first argument ends the run after that many lines.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#include <time.h>
#include <unistd.h>
#endif

#ifndef CARTRIX_BOARD
#define CARTRIX_BOARD "Demo Live"
#endif

#define LIVE_PERIOD_MS 20
#define STREAM_CHECK_EVERY 1024
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

static void report(long line, double t)
{
    switch (line % 3) {
    case 0:
        printf("pressure;%.3f;%.2f\n", t, 1013.25 + 2.5 * sin(t * 0.2));
        break;
    case 1:
        printf("light;%.3f;%.0f\n", t, 300.0 + 250.0 * (sin(t * 0.9) > 0.0 ? 1.0 : 0.0));
        break;
    default:
        printf("gyro;%.3f;%.3f;%.3f;%.3f\n", t, 20.0 * sin(t * 2.1), 15.0 * cos(t * 1.7),
               5.0 * sin(t * 0.4));
        break;
    }
}

int main(int argc, char *argv[])
{
    const int stream = strcmp(CARTRIX_BOARD, "Demo Stream") == 0;
    const long limit = argc > 1 ? atol(argv[1]) : 0;
    const double step = stream ? 0.001 : LIVE_PERIOD_MS / 1000.0;

    fprintf(stderr, "Sensor demo on board %s (%s)\n", CARTRIX_BOARD,
            stream ? "streaming" : "live");
    for (long line = 0; limit <= 0 || line < limit; ++line) {
        if ((!stream || line % STREAM_CHECK_EVERY == 0) && stop_requested())
            break;
        report(line, (line / 3) * step * 3);
        if (!stream) {
            fflush(stdout);
            sleep_ms(LIVE_PERIOD_MS);
        }
    }
    fflush(stdout);
    return 0;
}
