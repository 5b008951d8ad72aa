// The exported entry points; written with the component shell.
