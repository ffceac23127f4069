// Translation unit kept so the library builds before its first functions land.
