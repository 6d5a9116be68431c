/* Setup32's version and names, shared by setup32.rc and the C++ sources.
   Only preprocessor lines here: the resource compiler reads this file too.
   Strings are cp1252; non-ASCII letters are written as octal escapes so the
   bytes are the same for windres and for GCC whatever the source charset. */
#ifndef SETUP32_VERSION_H
#define SETUP32_VERSION_H

#define SETUP32_VERSION_MAJOR 3
#define SETUP32_VERSION_MINOR 0
#define SETUP32_VERSION_PATCH 0
#define SETUP32_VERSION_BUILD 4

/* FILEVERSION / PRODUCTVERSION in the resource file. */
#define SETUP32_VERSION_RC 3,0,0,4
/* Dotted form, for the program's own use. */
#define SETUP32_VERSION_STR "3.0.0.4"
/* The form shown in the version record's FileVersion and ProductVersion. */
#define SETUP32_VERSION_RECORD_STR "3.00.0004"

#define SETUP32_COMPANY_NAME "QOB"
#define SETUP32_PRODUCT_NAME "QOB Setup32"
/* "Programa de Instalação do Kit de Acesso" */
#define SETUP32_FILE_DESCRIPTION "Programa de Instala\347\343o do Kit de Acesso"
#define SETUP32_INTERNAL_NAME "Setup32"
#define SETUP32_ORIGINAL_FILENAME "Setup32.exe"

/* Resource ids. */
#define SETUP32_ICON 1

#endif
