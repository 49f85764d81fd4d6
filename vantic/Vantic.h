/* The exported face of libVantic: the camera functions (Cam_...) and the port
   functions (Com...). Plain C functions over one process-wide camera session;
   calls are serialised by the library, one at a time. Arguments and results
   are 32-bit ints unless said otherwise. A "code" result is 0 or one of the
   result codes below and is also kept as the last result (Cam_error); a
   "value" result is a register's value, or -1 with the code in Cam_error.
   Structure reads leave the caller's buffer untouched when they fail. */
#pragma once

#include "Vantic_export.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
enum {
  CAM_OK = 0,
  CAM_INVALID_PARAMETER = 1,
  CAM_OUT_OF_RANGE = 2,
  CAM_NO_PORT = 3,
  CAM_WRITE_FILE = 5,
  CAM_BAD_CLOSE = 7,
  CAM_BAD_WRITE = 8,
  CAM_BAD_READ = 10,
  CAM_BAD_OPEN = 11,
  CAM_NOT_RESPONDING = 12,
  CAM_BAD_RESPONSE = 13,
  CAM_NAK_RESPONSE = 14,
  CAM_DC1_RESPONSE = 15,
  CAM_MALFORMED_REPLY = 16,
  CAM_ZERO_SIZE = 18,
  CAM_USER_BREAK = 19,
  CAM_SESSION_CLOSED = 20,
  CAM_USB_FAILED = 21,
  CAM_OTHER = 255
};

/* Library states (Cam_get_state). */
enum {
  CAM_STATE_CLOSED = 0,
  CAM_STATE_OPEN = 1,
  CAM_STATE_ENDED = 2,
  CAM_STATE_FAILED = 3,
  CAM_STATE_BUSY = 4
};

/* Port handles: 160 the USB camera, 1..9 the serial port COMn, -1 none. */
enum { CAM_PORT_USB = 160 };

/* Filled by ComUsbOpen from the camera's device descriptor. */
typedef struct CamUsbDeviceRecord {
  uint16_t vendorId;
  uint16_t productId;
  int preReadRequest; /* 1: issue the pre-read request before every read */
  int largeBlocks;    /* 1: 32768-byte blocks */
} CamUsbDeviceRecord;

/* Progress call-back: (user value, 0, percent 0..100); nonzero goes on, 0
   stops the transfer (result 19). The user value is pointer-sized. */
typedef int (*CamProgressCallback)(intptr_t userValue, int reserved, short percent);

/* Broken-down local time of Cam_get_time: nine 32-bit fields. */
typedef struct CamTime {
  int32_t seconds;
  int32_t minutes;
  int32_t hours;
  int32_t dayOfMonth;
  int32_t month; /* 0..11 */
  int32_t yearsSince1900;
  int32_t weekday;
  int32_t dayOfYear;
  int32_t daylight;
} CamTime;

/* Picture tag record (76 bytes on the wire): 5 words, 20 bytes of text, 9 words. */
typedef struct CamPictureInfoTag {
  int32_t head[5];
  char text[20];
  int32_t tail[9];
} CamPictureInfoTag;

/* Folder information: the first 8 bytes read, a word 0, the words read at bytes 8 and 12. */
typedef struct CamFolderInfo {
  char name[8];
  int32_t zero;
  int32_t word8;
  int32_t word12;
} CamFolderInfo;

/* Memory information (88 bytes): card type, two 32-byte texts, 5 words (the second: free memory). */
typedef struct CamMemoryInfo {
  int32_t cardType;
  char text1[32];
  char text2[32];
  int32_t words[5];
} CamMemoryInfo;

/* Print-order entry (72 bytes on the wire, packed): 12 bytes, 8 bytes, three
   16-bit values, 40 bytes, one word, one 16-bit value. */
typedef struct CamOpfInfo {
  char bytes12[12];
  char bytes8[8];
  int16_t values[3];
  char bytes40[40];
  int32_t word;
  int16_t last;
} CamOpfInfo;

/* ---- Port functions. Results: 1 or a byte count for success, -1 for failure,
   -2 for a failed USB pipe operation. At most one port is open per process. */
VANTIC_EXPORT int ComUsbOpen(const char* name, int handle, CamUsbDeviceRecord* record);
VANTIC_EXPORT int ComOpen(const char* name, int port, int baud, int dataBits, int unused1, int unused2,
                          int inputQueue, int outputQueue);
VANTIC_EXPORT int ComClose(int handle);
VANTIC_EXPORT int ComReadTimed(int handle, void* buffer, int count, int units);
VANTIC_EXPORT int ComReadBufToQuiet(int handle, void* buffer, int count, int units);
VANTIC_EXPORT int ComWrite(int handle, const void* buffer, int count);
VANTIC_EXPORT int ComPutc(int handle, int byte);
VANTIC_EXPORT int ComSetBaud(int handle, int baud);
VANTIC_EXPORT int ComSetFlow(int handle, int kind);
VANTIC_EXPORT int ComSleepMS(int handle, int milliseconds);
VANTIC_EXPORT int ComGetHandle(int handle);

/* ---- Library and session. */
VANTIC_EXPORT int Cam_reset_dll(void);
VANTIC_EXPORT int Cam_set_port(int port);
VANTIC_EXPORT int Cam_set_speed(int speedIndex);
VANTIC_EXPORT int Cam_session_enabled(int enable);
VANTIC_EXPORT int Cam_get_state(void);
VANTIC_EXPORT int Cam_error(void);
VANTIC_EXPORT int Cam_ready(void);
VANTIC_EXPORT int Cam_setup_callback(CamProgressCallback callback, intptr_t userValue);
VANTIC_EXPORT int Cam_setup_monitor(int value);
VANTIC_EXPORT int Cam_set_debug(int value);
VANTIC_EXPORT int Cam_get_com_handle(void);
VANTIC_EXPORT int Cam_push_comm_open(int port, int mode);

/* ---- Time limit of the calling thread's camera calls (for callers that bound
   their own calls; not a camera function). From now on, a call on this thread
   gives up with 12 once the camera has not answered for `milliseconds` (each
   answer starts the time again, so a transfer that keeps coming goes on; a
   busy camera cut short stays busy). 0 removes the limit. Returns 0. */
VANTIC_EXPORT int VanticSetTimeLimit(int milliseconds);

/* ---- Registers: set = range-checked write (code), get = range-checked read (value). */
#define VANTIC_REGISTER_PAIR(name)                                                                           \
  VANTIC_EXPORT int Cam_set_##name(int value);                                                               \
  VANTIC_EXPORT int Cam_get_##name(void);
#define VANTIC_REGISTER_GET(name) VANTIC_EXPORT int Cam_get_##name(void);
#define VANTIC_REGISTER_SET(name) VANTIC_EXPORT int Cam_set_##name(int value);

VANTIC_REGISTER_PAIR(compression)
VANTIC_REGISTER_PAIR(resolution)
VANTIC_REGISTER_PAIR(exposure)
VANTIC_REGISTER_PAIR(color_mode)
VANTIC_REGISTER_PAIR(flash_mode)
VANTIC_REGISTER_PAIR(ygain)
VANTIC_REGISTER_PAIR(cgain)
VANTIC_REGISTER_GET(picture_count)
VANTIC_REGISTER_GET(remaining_count)
VANTIC_REGISTER_GET(battery_status)
VANTIC_REGISTER_PAIR(tone_curve)
VANTIC_REGISTER_PAIR(light_source)
VANTIC_REGISTER_GET(free_mem)
VANTIC_REGISTER_SET(timer_led)
VANTIC_REGISTER_PAIR(diag_long)
VANTIC_REGISTER_PAIR(focus)
VANTIC_REGISTER_GET(lcd)
VANTIC_REGISTER_PAIR(lcd_brightness)
VANTIC_REGISTER_PAIR(lcd_contrast)
VANTIC_REGISTER_PAIR(lcd_power_down)
VANTIC_REGISTER_GET(lcd_picture_number)
VANTIC_REGISTER_PAIR(lcd_date_format)
VANTIC_REGISTER_PAIR(audio)
VANTIC_REGISTER_PAIR(last_setting)
VANTIC_REGISTER_PAIR(memory_select)
VANTIC_REGISTER_PAIR(lcd_disp_language)
VANTIC_REGISTER_GET(opf_count)
VANTIC_REGISTER_GET(lcd_select_count)
VANTIC_REGISTER_GET(memory_status)
VANTIC_REGISTER_PAIR(beep_mode)
VANTIC_REGISTER_PAIR(metering_mode)
VANTIC_REGISTER_PAIR(special_function)
VANTIC_REGISTER_SET(default_params)
VANTIC_REGISTER_PAIR(datablock_size)
VANTIC_REGISTER_PAIR(packet_delay)
VANTIC_REGISTER_PAIR(session_time)
VANTIC_REGISTER_GET(folder_number)
VANTIC_REGISTER_PAIR(iso_speed_ratings)
VANTIC_REGISTER_PAIR(digital_zoom)
VANTIC_REGISTER_PAIR(lcd_disp_direction)
VANTIC_REGISTER_PAIR(manual_focus)
VANTIC_REGISTER_PAIR(video_signal_mode)

#undef VANTIC_REGISTER_PAIR
#undef VANTIC_REGISTER_GET
#undef VANTIC_REGISTER_SET

VANTIC_EXPORT int Cam_set_time(int secondsSince1970);
VANTIC_EXPORT int Cam_get_time_value(void);
VANTIC_EXPORT int Cam_get_time(CamTime* out);
VANTIC_EXPORT int Cam_set_pwr_down(int cameraSeconds, int hostSeconds);
VANTIC_EXPORT int Cam_get_pwr_down(int16_t* cameraSeconds, int16_t* hostSeconds);
VANTIC_EXPORT int Cam_set_lcd_power_down_2(int first, int second);
VANTIC_EXPORT int Cam_get_lcd_power_down_2(int16_t* first, int16_t* second);
VANTIC_EXPORT int Cam_format_memory_card(int value);
VANTIC_EXPORT int Cam_set_initialize_setting(void);

/* Reads of one stored picture (value). */
VANTIC_EXPORT int Cam_get_picture_size(int picture);
VANTIC_EXPORT int Cam_get_thumbnail_size(int picture);
VANTIC_EXPORT int Cam_get_protect_mode(int picture);

/* ---- Structures and texts (code). Text reads fill the caller's buffer of the
   stated size, NUL-padded when the camera sends fewer bytes. Word structures
   are arrays of the stated number of 32-bit words. */
VANTIC_EXPORT int Cam_set_id(const char* text);
VANTIC_EXPORT int Cam_get_id(char* buffer32);
VANTIC_EXPORT int Cam_get_serial_no(char* buffer32);
VANTIC_EXPORT int Cam_get_version(char* buffer32);
VANTIC_EXPORT int Cam_get_maker(char* buffer32);
VANTIC_EXPORT int Cam_get_cam_type(char* buffer64);
VANTIC_EXPORT int Cam_set_lcd_string(const char* text);
VANTIC_EXPORT int Cam_set_folder_name(const char* text);
VANTIC_EXPORT int Cam_get_folder_name(char* buffer9, int folder);
VANTIC_EXPORT int Cam_get_picture_file_name(char* buffer13, int picture);
VANTIC_EXPORT int Cam_set_exposure_bias(const int32_t* words2);
VANTIC_EXPORT int Cam_get_exposure_bias(int32_t* words2);
VANTIC_EXPORT int Cam_set_focal_length(const int32_t* words2);
VANTIC_EXPORT int Cam_get_focal_length(int32_t* words2);
VANTIC_EXPORT int Cam_set_sharpness(const int32_t* words2);
VANTIC_EXPORT int Cam_get_sharpness(int32_t* words2);
VANTIC_EXPORT int Cam_get_mac_address(int32_t* words2);
VANTIC_EXPORT int Cam_get_function_available(int32_t* words8);
VANTIC_EXPORT int Cam_get_current_setting(int32_t* words8);
VANTIC_EXPORT int Cam_get_picture_info(int picture, int32_t* words8);
VANTIC_EXPORT int Cam_get_current_setting_2(int32_t* words10);
VANTIC_EXPORT int Cam_get_picture_info_tag(int picture, CamPictureInfoTag* out);
VANTIC_EXPORT int Cam_get_take_picture_info(int32_t* words8);
VANTIC_EXPORT int Cam_set_take_picture_info(const int32_t* words8);
VANTIC_EXPORT int Cam_get_folder_info(int folder, CamFolderInfo* out);
VANTIC_EXPORT int Cam_get_lcd_select_pictures(int32_t* words10);
VANTIC_EXPORT int Cam_get_exposure_mode(int32_t* words5);
VANTIC_EXPORT int Cam_set_exposure_mode(const int32_t* words5);
VANTIC_EXPORT int Cam_get_memory_info(CamMemoryInfo* out);
VANTIC_EXPORT int Cam_get_opf_info(int index, CamOpfInfo* out);
VANTIC_EXPORT int Cam_get_diag_info(int32_t* words12);
VANTIC_EXPORT int Cam_get_diag_awb_info(int32_t* words12);
VANTIC_EXPORT int Cam_set_diag_awb_info(const int32_t* words12);
VANTIC_EXPORT int Cam_get_diag_lcd_info(int32_t* words8);
VANTIC_EXPORT int Cam_get_diag_camera_info(int32_t* words8);
VANTIC_EXPORT int Cam_get_diag_lens_info(int32_t* words8);
VANTIC_EXPORT int Cam_get_diag_buffer(void* buffer400);
VANTIC_EXPORT int Cam_set_diag_buffer(const void* bytes, int length);
VANTIC_EXPORT int Cam_get_color_bal(void* buffer2048);
VANTIC_EXPORT int Cam_set_color_bal(const void* bytes768);

/* ---- Actions (code); the camera is busy afterwards for a bounded time. */
VANTIC_EXPORT int Cam_erase_last(void);
VANTIC_EXPORT int Cam_erase_all(void);
VANTIC_EXPORT int Cam_take_pic(void);
VANTIC_EXPORT int Cam_store_pic(int mode);
VANTIC_EXPORT int Cam_pwr_off(void);
VANTIC_EXPORT int Cam_take_preview(void);
VANTIC_EXPORT int Cam_execute_diag(int value);
VANTIC_EXPORT int Cam_erase_select(int picture);
VANTIC_EXPORT int Cam_control_lcd(int mode, int value);
VANTIC_EXPORT int Cam_protect_picture(int flag, int picture);
VANTIC_EXPORT int Cam_write_loaded_data(void);
VANTIC_EXPORT int Cam_diag_lcd_disp(int value);
VANTIC_EXPORT int Cam_erase_opf(int index);
VANTIC_EXPORT int Cam_record_audio(int picture);
VANTIC_EXPORT int Cam_erase_folder(int folder);

/* ---- Data transfers (code). Downloads into memory take the capacity of the
   caller's buffer: an object larger than it fails with 1 and nothing is
   written past it. File arguments are open file descriptors. */
VANTIC_EXPORT int Cam_get_picture_buffer(void* buffer, int picture, int capacity);
VANTIC_EXPORT int Cam_get_thumbnail_buffer(void* buffer, int picture, int capacity);
VANTIC_EXPORT int Cam_get_picture_file(int fd, int picture);
VANTIC_EXPORT int Cam_get_thumbnail_file(int fd, int picture);
VANTIC_EXPORT int Cam_get_audio_size(int picture);
VANTIC_EXPORT int Cam_get_audio_buffer(void* buffer, int picture, int capacity);
VANTIC_EXPORT int Cam_get_picture_audio_buffer(void* pictureBuffer, void* audioBuffer, int picture,
                                               int pictureCapacity, int audioCapacity);
VANTIC_EXPORT int Cam_get_raw_file(int value1, int value2);
VANTIC_EXPORT int Cam_load_firmware(int fd);
VANTIC_EXPORT int Cam_load_file_data(int fd, int value);
VANTIC_EXPORT int Cam_load_picture_data(const void* bytes, int length);
VANTIC_EXPORT int Cam_load_opf_data(const void* bytes, int length);

#ifdef __cplusplus
}
#endif
