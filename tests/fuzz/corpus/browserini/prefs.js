// prefs
user_pref("browser.cache.disk.parent_directory", "\\Storage Card\\Minimo");
