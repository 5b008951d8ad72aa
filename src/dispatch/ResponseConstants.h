#pragma once

// Command words and the stop event, shared by the command table and the handlers;
// the reply heads are Reply's.
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
