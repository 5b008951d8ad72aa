#pragma once

// Reply texts and command words shared by the request processing, the command
// factory and every handler.
inline constexpr char HTTP_200_OK[] = "HTTP/1.0 200 Ok\r\n";
inline constexpr char HTTP_404_NOT_FOUND[] = "HTTP/1.0 404 Not Found \r\n\r\n";
inline constexpr char HTTP_405_NOT_ALLOWED[] = "HTTP/1.0 405 Not Allowed \r\n\r\n";
inline constexpr char HTTP_200_HTML_HEADER[] =
    "HTTP/1.0 200 Ok\r\nContent-Type: text/html; charset=\"utf-8\"\r\n"
    "Access-Control-Allow-Origin: http://127.0.0.1\r\n\r\n";

inline constexpr char CMD_FT[] = "FT";
inline constexpr char CMD_ENDFT[] = "ENDFT";
inline constexpr char CMD_FILE_EXISTS[] = "fileExists";
inline constexpr char CMD_READ_FILE[] = "readFile";
inline constexpr char CMD_READ_XML_FILE[] = "readXMLFile";
inline constexpr char CMD_WRITE_FILE[] = "writeFile";
inline constexpr char CMD_DELETE_FILE[] = "deleteFile";
inline constexpr char CMD_GET_TEXT[] = "getText";
inline constexpr char CMD_IS_APPLICABLE[] = "isApplicable";
inline constexpr char CMD_READ_SIGNAL[] = "readSignal";
inline constexpr char CMD_RETRIEVE_INITIAL_VALUE[] = "retrieveInitialValue";
inline constexpr char CMD_SEND_QUERY[] = "sendQuery";
inline constexpr char CMD_SEND_RAW_QUERY[] = "sendRawQuery";

inline constexpr char LIST_SEPARATOR = ';';

// The host event that stops the running scenario.
inline constexpr int EVT_ORV_STOP_SCEN = 669;
